// The icon drawings: a padlock for the program, and the two check-box state
// images of the Login Manager's "Auto" column.
#include "resources/icons.h"

namespace zr {
namespace {

const char* const kProgramXpm[] = {
    "32 32 6 1",
    ". c None",
    "s c #8A8F99",
    "o c #3C4658",
    "h c #F2C85A",
    "b c #D9A21E",
    "k c #2A2A2A",
    "................................",
    "................................",
    "................................",
    "................................",
    ".............ssssss.............",
    "...........ssssssssss...........",
    "..........ssssssssssss..........",
    ".........ssssssssssssss.........",
    "........sssss......sssss........",
    "........ssss........ssss........",
    ".......ssss..........ssss.......",
    ".......ssss..........ssss.......",
    ".......ssss..........ssss.......",
    ".......sss............sss.......",
    "....oooooooooooooooooooooooo....",
    "....ohhhhhhhhhhhhhhhhhhhhhho....",
    "....ohhhhhhhhhhhhhhhhhhhhhho....",
    "....obbbbbbbbbbbbbbbbbbbbbbo....",
    "....obbbbbbbbbbkkbbbbbbbbbbo....",
    "....obbbbbbbbbkkkkbbbbbbbbbo....",
    "....obbbbbbbbbkkkkbbbbbbbbbo....",
    "....obbbbbbbbbkkkkbbbbbbbbbo....",
    "....obbbbbbbbbbkkbbbbbbbbbbo....",
    "....obbbbbbbbbbkkbbbbbbbbbbo....",
    "....obbbbbbbbbbkkbbbbbbbbbbo....",
    "....obbbbbbbbbbkkbbbbbbbbbbo....",
    "....obbbbbbbbbbbbbbbbbbbbbbo....",
    "....obbbbbbbbbbbbbbbbbbbbbbo....",
    "....obbbbbbbbbbbbbbbbbbbbbbo....",
    "....oooooooooooooooooooooooo....",
    "................................",
    "................................",
};

const char* const kCheckedBoxXpm[] = {
    "16 16 4 1",        ". c None",         "d c #4D4D4D",      "w c #FFFFFF",
    "k c #1A1A1A",      "................", ".ddddddddddddd..", ".dwwwwwwwwwwwd..",
    ".dwwwwwwwwwwwd..", ".dwwwwwwwwwkwd..", ".dwwwwwwwwkkwd..", ".dwwwwwwwkkkwd..",
    ".dwwkwwwkkkwwd..", ".dwwkkwkkkwwwd..", ".dwwkkkkkwwwwd..", ".dwwwkkkwwwwwd..",
    ".dwwwwkwwwwwwd..", ".dwwwwwwwwwwwd..", ".ddddddddddddd..", "................",
    "................",
};

const char* const kEmptyBoxXpm[] = {
    "16 16 3 1",        ". c None",         "d c #4D4D4D",      "w c #FFFFFF",
    "................", ".ddddddddddddd..", ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..",
    ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..",
    ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..", ".dwwwwwwwwwwwd..",
    ".dwwwwwwwwwwwd..", ".ddddddddddddd..", "................", "................",
};

}  // namespace

std::span<const char* const> IconXpm(int id) {
  switch (id) {
    case kIdiProgram:
      return kProgramXpm;
    case kIdiCheckedBox:
      return kCheckedBoxXpm;
    case kIdiEmptyBox:
      return kEmptyBoxXpm;
    default:
      return {};
  }
}

}  // namespace zr
