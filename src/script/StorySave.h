// StorySave: the story's save record, a comma text of 23 items, and the
// pure pieces around it: the progress key the save list sorts by, the date
// stamp, the choice of a free slot name and the sound request a saved sound
// state turns into on restore.
//
// Items, in order: chapter title, progress key, date and time; the layer
// state records of the eight named layers (background, layer1, left, center,
// right, align4, layer2, layer3), of the box and of the text layer; the
// script position; the music and the effects channel states; box type,
// colour and opacity; the page text; waiting for key, timer and timed.
//
// Depends on TSlist / comma text, the file helpers (FileExists) and
// SoundRequest of the interpreter. ParseSaveRecord checks the whole record
// before the caller changes anything: a short record, a damaged layer state
// or script position, or a number that is no number raises DataError naming
// the item, so a damaged save is refused cleanly and nothing is half
// restored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "script/ClassCodeBlue.h"

namespace vantel {

constexpr int kSaveRecordItems = 23;
constexpr int kNamedLayers = 8;
constexpr int kLastSaveSlot = 1000;
// Longest save record the player writes or reads. Real records are a few
// kilobytes; a save file that unpacks to more is damaged (or a zlib bomb)
// and is refused without being inflated, so a listing of the save folder
// never costs seconds or gigabytes.
constexpr size_t kMaxSaveRecordLength = size_t{1} << 20;

struct SaveRecord {
  Bytes chapterTitle;
  Bytes progressKey;
  Bytes dateTime;
  Bytes layers[kNamedLayers];  // layer state records, the background first
  Bytes box;
  Bytes text;
  Bytes position;  // the interpreter's PositionString
  Bytes music;     // sound state of channel 0
  Bytes effects;   // sound state of channel 1
  int32_t boxType = 0;
  int32_t boxColour = -1;
  int32_t boxOpacity = 0;
  Bytes pageText;
  bool waitingForKey = false;
  int32_t timer = 0;
  bool timed = false;
};

// The record as comma text (each item quoted when it needs it).
Bytes JoinSaveRecord(const SaveRecord& record);
// Reads and checks a record; DataError when it cannot be restored. Items
// after the 23rd are ignored.
SaveRecord ParseSaveRecord(std::string_view text);

// Chapter number in decimal followed by the position, at least five digits:
// chapter 3 at token 120 gives "300120".
Bytes ProgressKey(int32_t chapter, int32_t position);
// "yy/mm/dd hh:mm" of the local time `when`.
Bytes SaveDateText(std::time_t when);
// "data" + the first N in 0...1000 whose file does not exist in `saveDir`
// (any case); empty when all of them exist: the folder is full, and no
// save is overwritten to make room.
Bytes FreeSlotName(const std::string& saveDir);
// Raised by the story's SaveToFile when every slot is taken.
class SaveFolderFull : public FileError {
 public:
  using FileError::FileError;
};
// What a saved channel state restarts as: a fade-in over 2000 of the saved
// sound (endless when it had -1 plays left, random variants again as -1) when
// it was playing, a stop otherwise. A random set saved under the name of
// the variant that played ("x3.wav") restarts under its stem ("x.wav").
SoundRequest RestoredSound(int channel, std::string_view state);

}  // namespace vantel
