#include "DialogAnswer.h"
#include "mesh/MeshFixtures.h"
#include "platform/core/Format.h"
#include "support/MessageCapture.h"

#include "app/dialogs/DlgAdaptiveRefinement.h"
#include "app/dialogs/DlgApproxVolumic.h"
#include "app/dialogs/DlgColorValence.h"
#include "app/dialogs/DlgEdgeSimplification.h"
#include "app/dialogs/DlgErrorAccumulation.h"
#include "app/dialogs/DlgFaceCollapse.h"
#include "app/dialogs/DlgGateCoding.h"
#include "app/dialogs/DlgHashTable.h"
#include "app/dialogs/DlgIterations.h"
#include "app/dialogs/DlgMap.h"
#include "app/dialogs/DlgMeshStructureCoding.h"
#include "app/dialogs/DlgMultipleSmooth.h"
#include "app/dialogs/DlgProgressiveDecoding.h"
#include "app/dialogs/DlgProgressiveGeometry.h"
#include "app/dialogs/DlgProgressiveMesh.h"
#include "app/dialogs/DlgQuantization.h"
#include "app/dialogs/DlgRemeshing.h"
#include "app/dialogs/DlgSampling.h"
#include "app/dialogs/DlgTiling.h"
#include "app/dialogs/DlgUnmeshing.h"
#include "app/dialogs/DlgV3Subdivision.h"
#include "app/dialogs/DlgValenceEncoding.h"
#include "app/dialogs/DlgValenceProgressiveMeshes.h"
#include "app/dialogs/DlgVertexCoordinates.h"
#include "scene/SceneGraph3d.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::EFieldType;
using platform::IDCANCEL;
using platform::IDOK;

// One control as the user sees it when the dialog opens: an edit's text, or the index of the
// check state, radio button or combo item shown.
struct SExpectedField
{
  int Id;
  std::string Label;
  char Kind; // i int, u unsigned, f float, d double, s string, c check, r radio, o combo
  std::string Shown;
  std::optional<std::pair<double, double>> Range = std::nullopt;
  bool ReadOnly = false;
  std::vector<std::string> Choices = {};
};

struct SExpectedDialog
{
  std::string Class;
  int Template;
  std::string Title;
  std::string Button;
  std::function<std::unique_ptr<platform::CDialog>()> Make;
  std::vector<SExpectedField> Fields;
};

using Range = std::pair<double, double>;

// Scene of the constructors that take one: a fan of 5 triangles (7 vertices), then an
// octahedron (6 vertices).
struct SScene
{
  SScene()
  {
    m_SceneGraph.Add(fixtures::Fan(5).release());
    m_SceneGraph.Add(fixtures::Octahedron().release());
  }
  const CMesh3d* Mesh() const { return static_cast<const CMesh3d*>(m_SceneGraph.GetAt(0)); }
  CSceneGraph3d m_SceneGraph;
};

const SScene& Scene()
{
  static const SScene scene;
  return scene;
}

template <class T, class... Args> std::function<std::unique_ptr<platform::CDialog>()> Maker(Args... args)
{
  return [=] { return std::make_unique<T>(args...); };
}

std::vector<SExpectedDialog> ExpectedDialogs()
{
  const CMesh3d* mesh = Scene().Mesh();
  return {
    {"CDlgErrorAccumulation", 171, "Scalable mesh coding by error accumulation", "OK",
     Maker<CDlgErrorAccumulation>(mesh),
     {{1099, "Final", 'u', "3"},
      {1098, "Initial", 'u', "7", {}, true},
      {1097, "Update each", 'u', "0"},
      {1088, "Visual debugging", 'c', "1"}}},
    {"CDlgFaceCollapse", 172, "Scalable mesh coding by face collapsing", "OK",
     Maker<CDlgFaceCollapse>(mesh),
     {{1099, "Final", 'u', "2"},
      {1098, "Initial", 'u', "5", {}, true},
      {1097, "Update each", 'u', "0"},
      {1088, "Visual debugging", 'c', "0"},
      {1089, "Flag for multiple face collapse", 'c', "0"},
      {1090, "Build smooth geomorph", 'c', "0"},
      {1101, "# stages", 'u', "1"},
      {1102, "# steps", 'u', "20"}}},
    {"CDlgGateCoding", 190, "Single-rate Mesh Compression - Gate Approach", "OK",
     Maker<CDlgGateCoding>(),
     {{1106, "Debug", 'c', "0"},
      {1090, "Delay (ms)", 'i', "0"},
      {1097, "Seed face", 'i', "0"},
      {1094, "", 's', "mesh.bin"},
      {1091, "Update each", 'i', "1"},
      {1101, "Limit conquest (# steps)", 'c', "0"},
      {1159, "", 'i', "0"},
      {1102, "Adaptive conquest", 'c', "1"},
      {1160, "Order (0-3)", 'i', "1", Range{0, 3}},
      {1104, "", 'c', "1"},
      {1107, "Output to clipboard", 'c', "0"}}},
    {"CDlgValenceEncoding", 183, "Valence-centered encoding", "OK", Maker<CDlgValenceEncoding>(),
     {{1135, "", 'o', "0", {}, false,
       {"Face perimeter", "Face area", "Edge length", "Unitary", "Nothing"}},
      {1097, "Seed face", 'u', "0"},
      {1094, "", 's', "mesh.bin"},
      {1088, "Debug", 'c', "0"},
      {1091, "Update each", 'u', "1"},
      {1089, "Edge list", 'c', "1"},
      {1099, "Remove ghost vertex", 'c', "1"},
      {1128, "Multiple seed face", 'c', "0"},
      {1100, "Show distribution", 'c', "0"},
      {1090, "Delay (ms)", 'i', "0"},
      {1102, "", 'i', "0"},
      {1101, "Limit conquest (# steps)", 'c', "0"},
      {1108, "Status", 'c', "1"},
      {1110, "", 'i', "0"},
      {1131, "# faces", 'c', "0"},
      {1132, "Random", 'c', "0"},
      {1111, "Normal (# bits)", 'i', "8", Range{4, 11}},
      {1113, "Parameters (# bits)", 'i', "8", Range{4, 11}},
      {1133, "", 'c', "0"},
      {1098, "Stack-run encoding", 'c', "0"},
      {1103, "Deterministic conquest", 'c', "0"}}},
    {"CDlgColorValence", 188, "Color faces from vertex valence", "OK", Maker<CDlgColorValence>(),
     {{1156, "Nb vertices", 'i', "0", Range{1, 3}}, {1098, "Valence", 'i', "0", Range{2, 1000}}}},
    {"CDlgProgressiveDecoding", 193, "Progressive decoding", "Decode",
     Maker<CDlgProgressiveDecoding>(),
     {{1092, "Color", 'c', "0"},
      {1170, "Visual debugging", 'c', "1"},
      {1078, "Delay (ms)", 'i', "10"},
      {1093, "Fine grain", 'c', "0"},
      {1079, "", 'i', "100"}}},
    {"CDlgValenceProgressiveMeshes", 189, "Valence-centered Progressive Meshes", "Encode",
     Maker<CDlgValenceProgressiveMeshes>(1234, std::string("/data/bunny")),
     {{1050, "Output levels (.wrl)", 'c', "0"},
      {1157, "Update view", 'c', "0"},
      {1094, "", 's', "/data/bunny.vpm"},
      {1098, "Requested", 'i', "100"},
      {1158, "# vertices", 'i', "1234", {}, true},
      {1096, "Forbid concave", 'c', "0"},
      {1101, "Forbid normal flipping", 'c', "0"},
      {1100, "Use metric", 'c', "0"},
      {1169, "", 'd', "0.25"},
      {1162, "", 'r', "1", {}, false, {"Distance", "Volume / surface"}},
      {1095, "", 's', "levels.wrl"},
      {1107, "Pack codes", 'c', "0"},
      {1159, "Quantization", 'i', "12", Range{4, 12}},
      {1102, "Forget metric", 'c', "0"},
      {1160, "Assessment", 'c', "0"},
      {1170, "if < # vertices", 'i', "0"}}},
    {"CDlgRemeshing", 186, "Remeshing", "OK", Maker<CDlgRemeshing>(),
     {{1148, "", 'r', "1", {}, false, {"One vertex per edge", "Two vertices per edge"}},
      {1145, "Swap edges", 'c', "1"}}},
    {"CDlgAdaptiveRefinement", 177, "Adaptive refinement", "OK", Maker<CDlgAdaptiveRefinement>(),
     {{1115, "Camera", 'u', "1"}, {1116, "Silhouette", 'u', "3"}}},
    {"CDlgTiling", 173, "Tiling", "OK", Maker<CDlgTiling>(),
     {{1078, "Vertex seed", 'u', "0"},
      {1103, "Multi-mesh", 'c', "0"},
      {1079, "", 'u', "0"},
      {1080, "", 'u', "20"},
      {1104, "Retain min # tiles", 'c', "0"},
      {1105, "Split polygons", 'c', "0"},
      {1106, "Generate mesh", 'c', "0"},
      {1107, "Recursive mesh", 'c', "0"},
      {1081, "", 'i', "3"}}},
    {"CDlgUnmeshing", 185, "Unmeshing wavefront...", "OK", Maker<CDlgUnmeshing>(),
     {{1143, "Copy to scenegraph", 'c', "0"},
      {1097, "Seed face", 'i', "0"},
      {1142, "Unmesh", 'c', "1"},
      {1141, "Unmesh", 'c', "1"},
      {1144, "Across first", 'c', "1"},
      {1109, "Debug", 'c', "0"},
      {1107, "Debug", 'c', "0"},
      {1108, "Ratio", 'f', "0.5", Range{0.1, 0.9}},
      {1100, "", 'i', "1", Range{1, 10000}},
      {1099, "", 'i', "1", Range{1, 10000}},
      {1145, "Color faces from wavefront", 'c', "0"},
      {1146, "Smooth geomorph", 'c', "0"}}},
    {"CDlgV3Subdivision", 174, "V3 subdivision", "OK", Maker<CDlgV3Subdivision>(),
     {{1105, "Flip edges (rotation)", 'c', "1"},
      {1108, "Ratio", 'f', "0.2"},
      {1106, "Visual debugging", 'c', "1"},
      {1107, "Adaptative mode", 'c', "0"},
      {1109, "Seed", 'i', "0"},
      {1067, "# iters", 'i', "1"},
      {1068, "dec. ratio", 'f', "0.8"},
      {1002, "Smooth", 'c', "1"},
      {1022, "Sharp", 'd', "40"},
      {1023, "Flat", 'd', "5"},
      {1110, "Piecewise", 'c', "0"},
      {1111, "Split sharp edges", 'c', "1"}}},
    {"CDlgProgressiveGeometry", 187, "Valence-centered Progressive Geometry Compression", "Run",
     Maker<CDlgProgressiveGeometry>(),
     {{1091, "Update each", 'i', "1", Range{1, 1000000}},
      {1088, "Debug", 'c', "0"},
      {1094, "", 's', "refine.bin"},
      {1089, "Remesh", 'c', "1"},
      {1098, "Max degree", 'i', "6", Range{3, 1000}},
      {1092, "Color patches", 'c', "1"},
      {1151, "Gate type", 'r', "0", {}, false, {"Simple", "Double"}},
      {1096, "Color cause", 'c', "1"},
      {1099, "pure degree", 'c', "0"},
      {1100, "Use metric", 'c', "0"},
      {1108, "", 'f', "0.2", Range{0.01, 10000}},
      {1101, "Forbid normal flipping", 'c', "0"},
      {1095, "Forbid concave", 'c', "0"},
      {1102, "Delay (ms)", 'i', "0"},
      {1162, "", 'r', "1", {}, false, {"Distance", "Volume"}},
      {1165, "Adaptive arithmetic coding", 'r', "0", {}, false, {"0", "1", "2", "3"}}}},
    {"CDlgMeshStructureCoding", 168, "Mesh structure coding", "OK",
     Maker<CDlgMeshStructureCoding>(),
     {{1089, "Multithreading", 'c', "0"},
      {1088, "Visual debugging", 'c', "1"},
      {1090, "Visual delay (ms)", 'u', "0"},
      {1091, "Update each", 'u', "1"},
      {1092, "Encourage full vertices as pivots", 'c', "1"},
      {1094, "", 's', "topology.bin"},
      {1095, "Multiple seed face", 'c', "0"},
      {1097, "", 'u', "0"},
      {1096, "Seed face", 'c', "0"}}},
    {"CDlgEdgeSimplification", 162, "Edge-based simplification", "OK",
     Maker<CDlgEdgeSimplification>(mesh),
     {{1047, "Update", 'c', "1"},
      {1017, "Final", 'i', "3"},
      {1066, "Initial", 'i', "7", {}, true},
      {1028, "Frequency", 'i', "100"},
      {1065, "", 'r', "1", {}, false, {"Edge length", "Curveness"}},
      {1005, "Collapse boundaries", 'c', "0"},
      {1018, "Sharp edge", 'f', "0.5"},
      {1019, "Alpha init", 'd', "0.1"},
      {1021, "Alpha step", 'd', "0.1"},
      {1007, "Combination", 'c', "1"},
      {1006, "Optimized position", 'c', "1"},
      {1050, "Save", 'c', "0"},
      {1029, "Frequency", 'i', "0"}}},
    {"CDlgHashTable", 142, "Hash table", "OK", Maker<CDlgHashTable>(),
     {{1056, "Size", 'i', "16"}, {1057, "Show grid", 'c', "1"}}},
    {"CDlgIterations", 163, "Iterations", "OK", Maker<CDlgIterations>(),
     {{1067, "Iterations", 'i', "4", Range{1, 1000000000}}}},
    {"CDlgMap", 140, "Map", "OK", Maker<CDlgMap>(),
     {{1047, "Height", 'i', "10"},
      {1046, "Width", 'i', "10"},
      {1049, "Max", 'f', "4"},
      {1048, "Min", 'f', "-4"}}},
    {"CDlgMultipleSmooth", 164, "Multiple smooth", "OK", Maker<CDlgMultipleSmooth>(),
     {{1003, "Move boundaries", 'c', "1"},
      {1067, "Iterations", 'i', "1", Range{1, 999}},
      {1004, "Duplicate in scene graph", 'c', "0"}}},
    {"CDlgProgressiveMesh", 139, "Progressive meshes", "OK", Maker<CDlgProgressiveMesh>(mesh),
     {{1016, "Initial", 'i', "7", {}, true},
      {1017, "Final", 'i', "3"},
      {1047, "Update iterations", 'c', "1"},
      {1020, "Epsilon", 'd', "0.0001"},
      {1021, "Max iter", 'i', "50"},
      {1018, "Spring", 'd', "0.01"},
      {1019, "Initial", 'd', "1"},
      {1022, "Sharp threshold", 'f', "0.6"},
      {1023, "Size hash table", 'i', "20"},
      {1024, "Increase factor", 'f', "1.5"},
      {1025, "Decrease factor", 'f', "0.1"},
      {1026, "Max", 'f', "5"},
      {1027, "Min", 'f', "0.01"},
      {1028, "Update frequency", 'i', "1", Range{1, 100}}}},
    {"CDlgQuantization", 166, "Quantization", "OK", Maker<CDlgQuantization>(),
     {{1019, "Bits", 'i', "8", Range{1, 30}}}},
    {"CDlgSampling", 144, "Sampling", "OK", Maker<CDlgSampling>(),
     {{1058, "Width", 'i', "50"},
      {1059, "Height", 'i', "50"},
      {1060, "Use color", 'c', "1"},
      {1061, "Quad mesh", 'c', "0"}}},
    {"CDlgApproxVolumic", 160, "Mesh approximation - volume-based metric", "OK",
     Maker<CDlgApproxVolumic>(&Scene().m_SceneGraph),
     {{1016, "Initial", 'i', "6", {}, true},
      {1017, "Final", 'i', "3"},
      {1021, "Max iter", 'i', "400"},
      {1020, "Epsilon", 'f', "1e-05"},
      {1047, "Update iterations", 'c', "1"},
      {1025, "Decrease factor", 'f', "0.9"},
      {1024, "Samples per face", 'i', "40"},
      {1019, "Initial (edge %)", 'f', "0.1"},
      {1027, "Min (edge %)", 'f', "0.01"},
      {1018, "Sharp edge", 'f', "0.5"},
      {1022, "Hash table", 'i', "10"},
      {1023, "Nb face (search)", 'i', "10"},
      {1049, "Use hash table", 'c', "0"},
      {1050, "Save intermediate", 'c', "1"},
      {1068, "Method", 'r', "2", {}, false, {"Random", "Priority queue", "Global optimization"}},
      {1071, "Potential", 'r', "0", {}, false, {"Edge length", "Curveness"}},
      {1002, "Smooth", 'c', "0"},
      {1028, "Iteration", 'i', "0"},
      {1003, "Move boundaries", 'c', "0"},
      {1029, "Decrease after", 'i', "0"},
      {1031, "Reference", 'i', "0"},
      {1030, "Model", 'i', "1"},
      {1026, "Each", 'i', "10"},
      {1032, "Each", 'i', "3"},
      {1005, "Collapse boundaries", 'c', "0"},
      {1004, "Initalize using Hausdorff", 'c', "0"}}},
    {"CDlgVertexCoordinates", 138, "Vertex coordinates", "OK", Maker<CDlgVertexCoordinates>(),
     {{1044, "X", 'f', "0"}, {1045, "Y", 'f', "0"}, {1046, "Z", 'f', "0"}}},
  };
}

char KindOf(EFieldType type)
{
  switch (type) {
  case EFieldType::Int: return 'i';
  case EFieldType::Unsigned: return 'u';
  case EFieldType::Float: return 'f';
  case EFieldType::Double: return 'd';
  case EFieldType::String: return 's';
  case EFieldType::Check: return 'c';
  case EFieldType::Radio: return 'r';
  case EFieldType::Combo: return 'o';
  }
  return '?';
}

// What the open dialog shows for one field, in the terms of the expected table.
SExpectedField Observed(const platform::CDialogBuilder& fields, const platform::SDialogField& field)
{
  SExpectedField seen{field.Id, field.Label, KindOf(field.Type), ""};
  const bool edit = std::string("iufds").find(seen.Kind) != std::string::npos;
  seen.Shown = edit ? fields.GetText(field.Id) : std::to_string(fields.GetChoice(field.Id));
  if (field.Range)
    seen.Range = Range{field.Range->Min, field.Range->Max};
  const auto* line = qobject_cast<const QLineEdit*>(fields.Control(field.Id));
  seen.ReadOnly = line && line->isReadOnly();
  seen.Choices = field.Choices;
  return seen;
}

void ExpectSame(const SExpectedField& seen, const SExpectedField& expected, const std::string& where)
{
  EXPECT_EQ(seen.Id, expected.Id) << where;
  EXPECT_EQ(seen.Label, expected.Label) << where;
  EXPECT_EQ(seen.Kind, expected.Kind) << where;
  EXPECT_EQ(seen.Shown, expected.Shown) << where;
  EXPECT_EQ(seen.Range, expected.Range) << where;
  EXPECT_EQ(seen.ReadOnly, expected.ReadOnly) << where;
  EXPECT_EQ(seen.Choices, expected.Choices) << where;
}

TEST(ParameterDialogsTest, EveryDialogOpensWithTheTitleFieldsAndDefaultsOfItsTemplate)
{
  const std::vector<SExpectedDialog> dialogs = ExpectedDialogs();
  EXPECT_EQ(dialogs.size(), 24u);
  for (const SExpectedDialog& expected : dialogs) {
    SCOPED_TRACE(expected.Class);
    std::unique_ptr<platform::CDialog> dialog = expected.Make();
    EXPECT_EQ(dialog->GetTemplateId(), expected.Template);
    std::vector<SExpectedField> seen;
    std::string title, button;
    CDialogAnswer answer([&](platform::CDialog& shown) {
      title = shown.GetWindow()->windowTitle().toStdString();
      button = shown.GetWindow()->findChild<QPushButton*>("IDOK")->text().toStdString();
      for (const platform::SDialogField& field : shown.Fields().Fields())
        seen.push_back(Observed(shown.Fields(), field));
      return IDCANCEL;
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(title, expected.Title);
    EXPECT_EQ(button, expected.Button);
    ASSERT_EQ(seen.size(), expected.Fields.size());
    for (size_t i = 0; i < seen.size(); i++)
      ExpectSame(seen[i], expected.Fields[i], "field " + std::to_string(i));
  }
}

TEST(ParameterDialogsTest, OkWithoutEditsKeepsEveryDefault)
{
  for (const SExpectedDialog& expected : ExpectedDialogs()) {
    if (expected.Class == "CDlgColorValence")
      continue; // its defaults lie outside its ranges
    SCOPED_TRACE(expected.Class);
    std::unique_ptr<platform::CDialog> dialog = expected.Make();
    const std::vector<platform::FieldValue> before = dialog->Fields().Values();
    CMessageCapture messages;
    CDialogAnswer answer([](platform::CDialog&) { return IDOK; });
    EXPECT_EQ(dialog->DoModal(), IDOK);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(dialog->Fields().Values(), before);
  }
}

// The class library's message for text that is no number of the field's kind, or for a number
// beyond the field's range.
std::string NotANumberMessage(EFieldType type)
{
  switch (type) {
  case EFieldType::Int: return "Please enter an integer.";
  case EFieldType::Unsigned: return "Please enter a positive integer.";
  default: return "Please enter a number.";
  }
}

bool IsNumber(EFieldType type)
{
  return type == EFieldType::Int || type == EFieldType::Unsigned || type == EFieldType::Float ||
         type == EFieldType::Double;
}

// For every dialog: garbage in each editable number field is refused by the first one, with
// the message of its kind; a value just past a range is refused with the range message.
TEST(ParameterDialogsTest, TheFirstBadFieldIsRefusedWithTheClassLibraryMessage)
{
  int checked = 0;
  for (const SExpectedDialog& expected : ExpectedDialogs()) {
    if (expected.Class == "CDlgColorValence")
      continue; // its defaults lie outside its ranges
    SCOPED_TRACE(expected.Class);
    std::unique_ptr<platform::CDialog> dialog = expected.Make();
    CMessageCapture messages;
    std::vector<int> failed;
    int firstBad = 0;
    EFieldType firstType = EFieldType::Int;
    CDialogAnswer answer([&](platform::CDialog& shown) {
      failed.push_back(shown.Fields().FailedId());
      if (failed.size() > 1)
        return IDCANCEL;
      for (const platform::SDialogField& field : shown.Fields().Fields()) {
        if (!IsNumber(field.Type) || !shown.Fields().IsEditable(field.Id))
          continue;
        if (firstBad == 0) {
          firstBad = field.Id;
          firstType = field.Type;
        }
        shown.Fields().SetText(field.Id, "1.5x");
      }
      return firstBad != 0 ? IDOK : IDCANCEL;
    });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    if (firstBad == 0) {
      EXPECT_TRUE(messages.Texts().empty());
      continue;
    }
    checked++;
    EXPECT_EQ(failed, (std::vector<int>{0, firstBad}));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{NotANumberMessage(firstType)});
  }
  EXPECT_GE(checked, 20);
}

TEST(ParameterDialogsTest, EveryRangeRefusesTheValueJustPastEachEnd)
{
  for (const SExpectedDialog& expected : ExpectedDialogs()) {
    for (const SExpectedField& ranged : expected.Fields) {
      if (!ranged.Range)
        continue;
      const bool integer = ranged.Kind == 'i' || ranged.Kind == 'u';
      const double step = integer ? 1.0 : ranged.Range->first / 2.0;
      for (const double value : {ranged.Range->first - step, ranged.Range->second + 1.0}) {
        SCOPED_TRACE(expected.Class + " " + std::to_string(ranged.Id) + " " + std::to_string(value));
        std::unique_ptr<platform::CDialog> dialog = expected.Make();
        CMessageCapture messages;
        int rounds = 0;
        CDialogAnswer answer([&](platform::CDialog& shown) {
          if (rounds++ > 0)
            return IDCANCEL;
          // Every other field valid, so that only this one can fail.
          for (const SExpectedField& other : expected.Fields)
            if (other.Range && other.Id != ranged.Id)
              shown.Fields().SetText(other.Id, platform::Format("%.15g", other.Range->first));
          shown.Fields().SetText(ranged.Id, platform::Format("%.15g", value));
          return IDOK;
        });
        EXPECT_EQ(dialog->DoModal(), IDCANCEL);
        const std::string kind = integer ? "an integer" : "a number";
        EXPECT_EQ(messages.Texts(),
                  std::vector<std::string>{platform::Format("Please enter %s between %.15g and %.15g.",
                                                            kind.c_str(), ranged.Range->first,
                                                            ranged.Range->second)});
      }
    }
  }
}

TEST(ParameterDialogsTest, SamplingHandsItsValuesToTheCaller)
{
  CDlgSampling dialog;
  EXPECT_EQ(dialog.m_Width, 50);
  EXPECT_EQ(dialog.m_Height, 50);
  EXPECT_EQ(dialog.m_UseColor, 1);
  EXPECT_EQ(dialog.m_QuadMesh, 0);
  CDialogAnswer answer([](platform::CDialog& shown) {
    shown.Fields().SetText(1058, "64");
    shown.Fields().SetText(1059, "32");
    shown.Fields().SetChoice(1060, 0);
    shown.Fields().SetChoice(1061, 1);
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_Width, 64);
  EXPECT_EQ(dialog.m_Height, 32);
  EXPECT_EQ(dialog.m_UseColor, 0);
  EXPECT_EQ(dialog.m_QuadMesh, 1);
}

TEST(ParameterDialogsTest, ColorValenceRefusesItsOwnDefaultsOneFieldAfterTheOther)
{
  CDlgColorValence dialog;
  CMessageCapture messages;
  std::vector<int> failed;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    failed.push_back(shown.Fields().FailedId());
    if (failed.size() == 2)
      shown.Fields().SetText(1156, "3");
    if (failed.size() == 3)
      shown.Fields().SetText(1098, "6");
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(failed, (std::vector<int>{0, 1156, 1098}));
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Please enter an integer between 1 and 3.",
                                                        "Please enter an integer between 2 and 1000."}));
  EXPECT_EQ(dialog.m_NbVertex, 3);
  EXPECT_EQ(dialog.m_Valence, 6);
}

TEST(ParameterDialogsTest, ValenceEncodingStoresTheNormalizationCode)
{
  const std::vector<std::pair<std::string, int>> codes = {
    {"Face perimeter", 2}, {"Face area", 4}, {"Edge length", 3}, {"Unitary", 1}, {"Nothing", 0}};
  for (int item = 0; item < static_cast<int>(codes.size()); item++) {
    CDlgValenceEncoding dialog;
    EXPECT_EQ(dialog.m_Normalization, 2);
    std::string text;
    CDialogAnswer answer([&](platform::CDialog& shown) {
      shown.Fields().SetChoice(1135, item);
      text = shown.Fields().Find(1135)->Choices[item];
      return IDOK;
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(text, codes[item].first);
    EXPECT_EQ(dialog.m_Normalization, codes[item].second);
  }
}

TEST(ParameterDialogsTest, ApproxVolumicRefusesFewerIterationsThanTheDecreaseDelay)
{
  CDlgApproxVolumic dialog(&Scene().m_SceneGraph);
  CMessageCapture messages;
  int round = 0;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    if (round++ == 0) {
      shown.Fields().SetText(1021, "10");
      shown.Fields().SetText(1029, "20");
      return IDOK;
    }
    EXPECT_EQ(shown.Fields().GetText(1021), "10"); // still open with the user's values
    return IDCANCEL;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(round, 2);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Check iterations and decrease values"});
  EXPECT_EQ(dialog.m_MaxIter, 400);
  EXPECT_EQ(dialog.m_DecreaseAfter, 0);
}

TEST(ParameterDialogsTest, ApproxVolumicModelIndexStaysInTheSceneAndSetsTheCounts)
{
  CDlgApproxVolumic dialog(&Scene().m_SceneGraph);
  std::vector<std::string> shown;
  CDialogAnswer answer([&](platform::CDialog& open) {
    auto* model = qobject_cast<QLineEdit*>(open.Fields().Control(1030));
    for (const char* index : {"0", "9", "-4"}) {
      model->setText(index);
      model->setModified(true);
      emit model->editingFinished();
      shown.push_back(open.Fields().GetText(1030) + " " + open.Fields().GetText(1016) + " " +
                      open.Fields().GetText(1017));
    }
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"0 7 7", "1 6 6", "0 7 7"}));
  EXPECT_EQ(dialog.m_Model, 0);
  EXPECT_EQ(dialog.m_Initial, 7);
}

TEST(ParameterDialogsTest, GateCodingKeepsItsConquestLimitOff)
{
  CDlgGateCoding dialog;
  CDialogAnswer answer([](platform::CDialog& shown) {
    EXPECT_FALSE(shown.Fields().SetChoice(1101, 1));
    EXPECT_FALSE(shown.Fields().SetText(1159, "50"));
    EXPECT_TRUE(shown.Fields().SetText(1160, "3"));
    return IDOK;
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_LimitConquest, 0);
  EXPECT_EQ(dialog.m_NbStep, 0);
  EXPECT_EQ(dialog.m_Order, 3);
}

TEST(ParameterDialogsTest, MeshDialogsWithoutAMeshProposeZero)
{
  CDlgErrorAccumulation accumulation(nullptr);
  EXPECT_EQ(accumulation.m_Initial, 0u);
  EXPECT_EQ(accumulation.m_Final, 0u);
  CDlgApproxVolumic volumic(nullptr);
  EXPECT_EQ(volumic.m_Initial, 0);
  // A scene without object 1, the default model, proposes no vertex either.
  CSceneGraph3d scene;
  scene.Add(fixtures::Tetrahedron().release());
  CDlgApproxVolumic single(&scene);
  EXPECT_EQ(single.m_Initial, 0);
}

} // namespace
