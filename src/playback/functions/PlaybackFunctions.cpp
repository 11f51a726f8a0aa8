#include "playback/functions/PlaybackFunctions.h"

namespace qlm {

const FunctionBodies& playbackFunctionBodies() {
  static const FunctionBodies kBodies{textFunctions(),    numberFunctions(),  chronoFunctions(),
                                      fileFunctions(),    controlFunctions(), settingFunctions(),
                                      desktopFunctions(), imageFunctions()};
  return kBodies;
}

}  // namespace qlm
