#pragma once
// Which keys and buttons are recorded, end a record, or merge a release into
// its press: one 'E' (on) or 'N' (off) per table entry, from six settings.
#include <cstddef>
#include <vector>

namespace qlm {

class Settings;

struct EntryFlags {
  bool capture = true;
  bool endsRecord = true;
  bool merges = true;
};

struct RecordingFlags {
  std::vector<EntryFlags> keys;     // one per entry of keyboardKeyTable()
  std::vector<EntryFlags> buttons;  // one per entry of mouseKeyTable()
};

// A setting shorter than its table takes the default for the entries it lacks.
RecordingFlags readRecordingFlags(Settings& settings);

}  // namespace qlm
