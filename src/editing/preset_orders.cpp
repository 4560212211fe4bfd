#include "editing/preset_orders.h"

#include <cstdio>

#include "editing/edit_support.h"
#include "host/host_api.h"
#include "text/text_helpers.h"

namespace stimforge {
namespace {

constexpr size_t kLineSize = 512;
constexpr size_t kSchemeLength = 23;

// Types 5 and 6 share the order of type 3 on purpose, although their prompt lines say 20
// predictors and their colour schemes run to 19 and 20 positions: on a larger protocol the
// positions after the 16th take condition 0.
const char* const kPresetOrders[kAnalysisTypeCount] = {
    "0,1,13,2,3,4,5,6,7,8,9,10,11,12",
    "0,1,13,2,3,4,5,6,14,15,16,17,7,8,9,10,11,12",
    "0,1,13,2,3,4,5,6,7,8,9,10,11,14,15,12",
    "0,1,13,2,3,4,5,14,15,16,17,18,19,20,21,22,6,7,8,9,10,11,12",
    "0,1,13,2,3,4,5,6,7,8,9,10,11,14,15,12",
    "0,1,13,2,3,4,5,6,7,8,9,10,11,14,15,12",
    "0,1,13,2,14,3,4,5,6,7,8,9,10,11,12",
};

// The colour of each new position, per analysis type; the 000000 at the end of each row are
// positions beyond the type's scheme (type 6 position 18 has no colour of its own either).
const char* const kSchemes[kAnalysisTypeCount][kSchemeLength] = {
    {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "660000", "CCCCCC",
     "00FF00", "CCCCCC", "009900", "CCCCCC", "3366CC", "999933", "000000", "000000",
     "000000", "000000", "000000", "000000", "000000", "000000", "000000"},
    {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "660000", "FF0000",
     "FF9900", "FFFF99", "FFFF00", "CCCCCC", "00FF00", "CCCCCC", "009900", "CCCCCC",
     "3366CC", "999933", "000000", "000000", "000000", "000000", "000000"},
    {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "660000", "CCCCCC",
     "FF9900", "CCCCCC", "009900", "CCCCCC", "6600FF", "9900FF", "CC00FF", "999933",
     "000000", "000000", "000000", "000000", "000000", "000000", "000000"},
    {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "660000", "FF0000",
     "FF9900", "FFFF99", "FFFF00", "0099FF", "33CCFF", "FFCCFF", "CC00FF", "9900FF",
     "CCCCCC", "00FF00", "CCCCCC", "009900", "CCCCCC", "3366CC", "999933"},
    {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "660000", "FF9900",
     "FFFF00", "0099FF", "FFCCFF", "9900FF", "CCCCCC", "00FF00", "CCCCCC", "009900",
     "CCCCCC", "3366CC", "999933", "000000", "000000", "000000", "000000"},
    {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "3366CC", "CCCCCC",
     "00FF00", "CCCCCC", "009900", "CCCCCC", "660000", "FF9900", "FFFF00", "0099FF",
     "FFCCFF", "9900FF", "000000", "999933", "000000", "000000", "000000"},
    {"333300", "993300", "FF3399", "CC6600", "CC6666", "CCCCCC", "990066", "3366CC",
     "CCCCCC", "00FF00", "CCCCCC", "009900", "CCCCCC", "660000", "999933", "000000",
     "000000", "000000", "000000", "000000", "000000", "000000", "000000"},
};

bool isAnalysisType(int analysisType) {
  return analysisType >= 1 && analysisType <= kAnalysisTypeCount;
}

}  // namespace

const char* presetOrderText(int analysisType) {
  return isAnalysisType(analysisType) ? kPresetOrders[analysisType - 1] : nullptr;
}

int32_t schemeColour(size_t position, int analysisType) {
  if (!isAnalysisType(analysisType) || position >= kSchemeLength)
    return hexColourToInt("000000");
  return hexColourToInt(kSchemes[analysisType - 1][position]);
}

bool rebuildInOrderColoured(const ProtocolHeader& currentHeader, const ConditionOrder& order,
                            int analysisType) {
  // The colour belongs to the position, not to the condition that lands there.
  return rebuildInOrderWith(currentHeader, order, "_ordered_colored",
                            [analysisType](size_t position, int32_t) {
                              return kConditionColourBase + schemeColour(position, analysisType);
                            });
}

void runPresetOrderCommand() {
  const HostApi& host = hostApi();
  ProtocolHeader currentHeader = makeEmptyHeader();
  if (host.kwGetProtocol(&currentHeader) != 1) {
    host.kwLogText("Protocol header could not be retrieved.");
    return;
  }
  ConditionOrder order(currentHeader.numberOfConditions);
  const int analysisType = host.kwGetIntegerInput(
      "What is the type of analysis?\n\n1 = GLM (14 pred.)\n2 = GLM 5x2 (18 pred.)\n3 = GLM "
      "match (16 pred.)\n4 = GLM offerA+playertype (23 pred.)\n5 = GLM exp+playertype (20 "
      "pred.)\n6= GLM earn+playertype (20 pred.)\n7= GLM expExp hpc (15 pred.)\n",
      1, 1, kAnalysisTypeCount);

  // No type chosen: nothing to order, and nothing went wrong either.
  bool succeeded = true;
  if (analysisType > 0) {
    const char* preset = presetOrderText(analysisType);
    if (preset == nullptr) {
      char line[kLineSize];
      std::snprintf(line, sizeof line, "There is no preset order for analysis type %d.",
                    analysisType);
      logRefusal(line);
      return;
    }
    parseConditionOrder(preset, order);
    succeeded = rebuildInOrderColoured(currentHeader, order, analysisType);
  }
  if (succeeded)
    host.kwLogText("Plugin operations finished successfully.");
}

}  // namespace stimforge
