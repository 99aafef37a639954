#pragma once

#include "bench/DracoMesh.h"

#include <benchmark/benchmark.h>
#include <draco/compression/config/compression_shared.h>
#include <draco/compression/decode.h>
#include <draco/compression/expert_encode.h>
#include <draco/mesh/mesh.h>

#include <memory>

// The peer library's valence edgebreaker, positions quantized to `bits`: the whole encode, an
// empty buffer when it fails.
inline draco::EncoderBuffer EncodeDraco(const draco::Mesh& mesh, int bits)
{
  draco::ExpertEncoder encoder(mesh);
  encoder.SetEncodingMethod(draco::MESH_EDGEBREAKER_ENCODING);
  encoder.SetEncodingSubmethod(draco::MESH_EDGEBREAKER_VALENCE_ENCODING);
  encoder.SetAttributeQuantization(0, bits);
  draco::EncoderBuffer buffer;
  if (!encoder.EncodeToBuffer(&buffer).ok())
    buffer.Clear();
  return buffer;
}

inline bool DecodeDraco(const draco::EncoderBuffer& encoded)
{
  draco::DecoderBuffer buffer;
  buffer.Init(encoded.data(), encoded.size());
  draco::Decoder decoder;
  auto result = decoder.DecodeMeshFromBuffer(&buffer);
  benchmark::DoNotOptimize(result);
  return result.ok();
}

// The library on one mesh, timed once in each iteration of a coder beside it: on a shared
// machine a slower spell then slows both sides, where a best measured once, before, would
// skew the ratio. `now` is the clock, in seconds, that the coder's own time is read on.
class CDracoRun
{
public:
  CDracoRun(const CMesh3d& mesh, int bits, double (*now)())
      : m_Source(ToDraco(mesh)), m_Bits(bits), m_Now(now), m_Stream(EncodeDraco(*m_Source, bits))
  {
  }
  // False when the library could not encode the mesh: no ratio then.
  bool Encoded() const { return m_Stream.size() > 0; }
  double TimeEncode() const
  {
    const double start = m_Now();
    const draco::EncoderBuffer encoded = EncodeDraco(*m_Source, m_Bits);
    const double seconds = m_Now() - start;
    benchmark::DoNotOptimize(encoded.data());
    return seconds;
  }
  double TimeDecode() const
  {
    const double start = m_Now();
    DecodeDraco(m_Stream);
    return m_Now() - start;
  }

private:
  std::unique_ptr<draco::Mesh> m_Source;
  int m_Bits;
  double (*m_Now)();
  draco::EncoderBuffer m_Stream;
};
