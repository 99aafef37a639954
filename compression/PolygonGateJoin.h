#pragma once

#include "mesh/Array3d.h"
#include <array>
#include <vector>

class CPolygonGate3d;
class CPolygonVertex3d;

// The "join" of the polygon coder: a conquered vertex named by its rank among the active
// vertices nearest a point predicted from the polygon inside the gate. Encoder and decoder
// compute the same prediction and ranking.
namespace polygonjoin {

using Point = std::array<double, 3>;

constexpr unsigned int Escape = 12;     // adds 12 (T) or 11 (Q) to the index that follows
constexpr unsigned int NotRanked = 11;  // Q join: the vertex is not among the candidates

// Prediction of the triangle's third vertex (corner -1), or of a quad's far corner after
// vertex 1 (corner 0) or before vertex 2 (corner 1).
Point Predict(CPolygonGate3d* gate, int corner);
// The first nbEntered vertices of the order that some gate holds, other than the gate's
// own, nearest the prediction first (ties keep the order's sequence).
std::vector<CPolygonVertex3d*> Rank(const CArray3d<CPolygonVertex3d>& order, int nbEntered,
                                    const CPolygonGate3d* gate, const Point& prediction);
// Symbols of a triangle join index (base 12) or a quad join index (base 11; -1 is 11).
void AppendIndex(int index, bool quad, std::vector<unsigned int>* pSymbols);
// A vertex outside the candidates, by its place in the order: base-12 digits, least
// significant first, ended by the escape symbol.
void AppendPlace(int place, std::vector<unsigned int>* pSymbols);

// Decoder: the symbols from the cursor on, moving it past them. An index of -1 means "not
// ranked"; 0 when the symbols cannot mean an index.
int ReadIndex(const std::vector<unsigned int>& symbols, int* pCursor, bool quad, int* pIndex);
int ReadPlace(const std::vector<unsigned int>& symbols, int* pCursor, int* pPlace);

} // namespace polygonjoin
