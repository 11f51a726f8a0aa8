#include <cstdio>
#include <string_view>
#include <vector>

#include "app/qlm/Commands.h"

namespace qlm {
namespace {

struct Command {
  std::string_view name;
  int (*run)(CommandArgs);
  std::string_view synopsis;
};

constexpr Command kCommands[] = {
    {"eval", cmdEval, "eval [--json] TEXT [$NAME=VALUE | $NAME VALUE]..."},
    {"play", cmdPlay, "play FILE.qlm [/close] [$NAME=VALUE | $NAME VALUE]... [--sim] [--answers FILE] [--trace-events]"},
    {"new", cmdNew, "new FILE.qlm"},
    {"list", cmdList, "list [--json] FILE.qlm"},
    {"show", cmdShow, "show [--json] FILE.qlm LINE"},
    {"append", cmdAppend,
     "append FILE.qlm --kind K --text TEXT --picture PICTURE.bmp [--title T] [--class C] [--process P] "
     "[--click X,Y] [--area L,T,R,B]"},
    {"set", cmdSet, "set FILE.qlm LINE FIELD=VALUE..."},
    {"delete", cmdDelete, "delete FILE.qlm LINE"},
    {"move", cmdMove, "move FILE.qlm FROM TO"},
    {"duplicate", cmdDuplicate, "duplicate FILE.qlm LINE TO"},
    {"picture", cmdPicture, "picture FILE.qlm LINE OUT.bmp [--grey]"},
    {"check", cmdCheck, "check FILE.qlm"},
    {"record", cmdRecord, "record FILE.qlm [--quiet]"},
    {"replace-picture", cmdReplacePicture, "replace-picture FILE.qlm LINE"},
    {"help", cmdHelp, "help [NAME | --markdown]"},
    {"ocr", cmdOcr, "ocr PICTURE [--area L,T,R,B] [--engine tesseract|gocr] [--match PATTERN]"},
    {"find", cmdFind, "find BIG SMALL [--colour-tol N] [--pixel-tol N] [--shape] [--repeat N]"},
};

int usage() {
  std::fputs("usage: qlm COMMAND ...\n", stderr);
  for (const Command& command : kCommands) std::fprintf(stderr, "  qlm %.*s\n", static_cast<int>(command.synopsis.size()), command.synopsis.data());
  return kExitUsage;
}

}  // namespace
}  // namespace qlm

int main(int argc, char** argv) {
  using namespace qlm;
  if (argc < 2) return usage();
  std::string_view verb = argv[1];
  std::vector<std::string_view> args(argv + 2, argv + argc);
  for (const Command& command : kCommands) {
    if (command.name == verb) return command.run(args);
  }
  return usage();
}
