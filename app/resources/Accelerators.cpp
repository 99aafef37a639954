#include "app/resources/Accelerators.h"

#include "app/resources/Resource.h"

using namespace platform;

namespace {
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = kCtrl | kShift;
constexpr Qt::KeyboardModifiers kCtrlShiftAlt = kCtrl | kShift | kAlt;
} // namespace

const std::vector<SAccel>& GetAccelerators()
{
  static const std::vector<SAccel> table = {
    {Qt::Key_3, kShift, ID_V3_ALONE},
    {Qt::Key_3, kPad, ID_V3_ALONE},
    {Qt::Key_4, kShift, ID_V3_FLIP_EDGES},
    {Qt::Key_4, kPad, ID_V3_FLIP_EDGES},
    {Qt::Key_5, kShift, ID_V3_SILHOUETTE_4_ITERS},
    {Qt::Key_5, kShift, ID_V3_SILHOUETTE_4_ITERS},
    {Qt::Key_5, kPad, ID_V3_SILHOUETTE_4_ITERS},
    {Qt::Key_6, kCtrl, ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG},
    {Qt::Key_6, kShift, ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG},
    {Qt::Key_6, kPad, ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG},
    {Qt::Key_7, kShift, ID_V3_PIECEWISE},
    {Qt::Key_7, kPad, ID_V3_PIECEWISE},
    {Qt::Key_9, kPad, ID_SPRING_ADAPTATIVE},
    {Qt::Key_A, kCtrl, ID_AVI_ADD_FRAME},
    {Qt::Key_B, kCtrl, ID_REMESH_BOTH},
    {Qt::Key_C, kNone, ID_SCENE_PROCESS_CAMERA},
    {Qt::Key_C, kCtrl, ID_EDIT_COPY},
    {Qt::Key_Insert, kCtrl, ID_EDIT_COPY},
    {Qt::Key_E, kNone, ID_METAFILE_FACE_MODE},
    {Qt::Key_E, kCtrl, ID_SIMPLIFICATION_EDGE_COLLAPSE},
    {Qt::Key_F, kCtrl, ID_HIGHLIGHT_FACE},
    {Qt::Key_F, kCtrl, ID_DEBUG_NEXT_FACE},
    {Qt::Key_G, kCtrl, ID_GATE_TRIANGLE_ENCODE},
    {Qt::Key_G, kCtrlShift, ID_GATE_TRIANGLE_DECODE},
    {Qt::Key_I, kCtrl, ID_MODIFICATION_IMPROVE_COMPACITY},
    {Qt::Key_K, kCtrl, ID_QUAD_CATMULL_CLARK},
    {Qt::Key_L, kCtrl, ID_SUBDIVISION_LOOP},
    {Qt::Key_L, kCtrlShift, ID_QUAD_KOBBELT},
    {Qt::Key_M, kNone, ID_MODE_VISUAL_MODE},
    {Qt::Key_M, kCtrl, ID_DEBUG_HIGHLIGHT_COLLAPSE},
    {Qt::Key_M, kCtrl, ID_DEBUG_NEXT_COLLAPSE},
    {Qt::Key_N, kNone, ID_DEBUG_NEXT_VERTEX},
    {Qt::Key_N, kCtrl, ID_FILE_NEW},
    {Qt::Key_O, kNone, ID_V3_SILHOUETTE_PARAMETERS},
    {Qt::Key_O, kCtrl, ID_FILE_OPEN},
    {Qt::Key_P, kCtrl, ID_GATE_POLYGON_ENCODE},
    {Qt::Key_P, kCtrlShift, ID_GATE_POLYGON_DECODE},
    {Qt::Key_P, kShift, ID_VIEWING_POP},
    {Qt::Key_P, kCtrlShiftAlt, ID_LOOP_ADAPTIVE_RANDOM},
    {Qt::Key_Q, kNone, ID_ATTRIBUTES_TOGGLE_QUANTIZED},
    {Qt::Key_Q, kCtrl, ID_GATE_QUAD_ENCODE},
    {Qt::Key_Q, kCtrlShift, ID_GATE_QUAD_DECODE},
    {Qt::Key_Q, kCtrlShiftAlt, ID_GATE_QUAD_MULTI_ENCODING},
    {Qt::Key_R, kNone, ID_V3_REGULARIZE},
    {Qt::Key_R, kCtrl, ID_PROGRESSIVE_ENCODE_LAYER},
    {Qt::Key_R, kAlt, ID_PROGRESSIVE_DECODE},
    {Qt::Key_R, kCtrlShift, ID_PROGRESSIVE_ENCODE},
    {Qt::Key_S, kNone, ID_COLOR_SILHOUETTE_CAMERA},
    {Qt::Key_S, kCtrl, ID_GEOMETRY_SWAP_AXES},
    {Qt::Key_T, kNone, ID_COLOR_FRONT_FACES_SILHOUETTE},
    {Qt::Key_U, kNone, ID_V3_UNDO},
    {Qt::Key_U, kCtrl, ID_RIBBONS_BUILD},
    {Qt::Key_V, kNone, ID_V3_RECURSIVE_UNDO},
    {Qt::Key_V, kCtrl, ID_HIGHLIGHT_VERTEX},
    {Qt::Key_V, kCtrl, ID_DEBUG_NEXT_VERTEX},
    {Qt::Key_Plus, kCtrl | kPad, ID_MAP_OVERLAP_INCREASE},
    {Qt::Key_Minus, kCtrl | kPad, ID_MAP_OVERLAP_DECREASE},
    {Qt::Key_Delete, kNone, ID_SCENE_KEEP_FIRST_OBJECT},
    {Qt::Key_F12, kCtrl, ID_ADVANCED_PEAKS},
    {Qt::Key_F5, kNone, ID_ALGORITHMS_REBUILD},
    {Qt::Key_F7, kNone, ID_HELP_DEMO},
    {Qt::Key_F9, kNone, ID_WINDOW_MULTI_VIEW},
    {Qt::Key_Space, kCtrl, ID_VIEW_FULL_SCREEN},
    {Qt::Key_W, kCtrl, ID_MODIFICATION_SMOOTH},
    {Qt::Key_Z, kCtrl, ID_VALENCE_PARAMETERS},
    {Qt::Key_Backspace, kAlt, ID_EDIT_UNDO},
    {Qt::Key_Delete, kShift, ID_EDIT_CUT},
    {Qt::Key_X, kCtrl, ID_EDIT_CUT},
    {Qt::Key_Insert, kShift, ID_EDIT_PASTE},
    {Qt::Key_F6, kNone, ID_NEXT_PANE},
    {Qt::Key_F6, kShift, ID_PREV_PANE},
  };
  return table;
}
