#include "script/StorySave.h"

#include <cstdio>
#include <vector>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassSList.h"
#include "data/CommaText.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

const char* const kItemNames[kSaveRecordItems] = {"chapter title",
                                                  "progress key",
                                                  "date",
                                                  "background",
                                                  "layer1",
                                                  "left",
                                                  "center",
                                                  "right",
                                                  "align4",
                                                  "layer2",
                                                  "layer3",
                                                  "box",
                                                  "text",
                                                  "script position",
                                                  "music",
                                                  "effects",
                                                  "box type",
                                                  "box colour",
                                                  "box opacity",
                                                  "page text",
                                                  "waiting for key",
                                                  "timer",
                                                  "timed"};

[[noreturn]] void Damaged(int item, const std::string& why) {
  throw DataError("the save record is damaged: item " + std::to_string(item + 1) + " (" +
                  kItemNames[item] + ") " + why);
}

int32_t Number(const std::vector<Bytes>& items, int item) {
  int32_t value = 0;
  if (!TryStrToInt(items[item], value))
    Damaged(item, "is not a number: \"" + ToUtf8(items[item]) + "\"");
  return value;
}

// A layer state record is restored by Tflat::LoadState, which needs ten
// items with numbers in the first four.
void CheckLayerState(const std::vector<Bytes>& items, int item) {
  const std::vector<Bytes> fields = SplitCommaText(items[item]);
  if (fields.size() < 10)
    Damaged(item, "has " + std::to_string(fields.size()) + " fields where 10 are needed");
  int32_t value = 0;
  for (int i = 0; i < 4; ++i)
    if (!TryStrToInt(fields[i], value))
      Damaged(item, "holds \"" + ToUtf8(fields[i]) + "\" where a number is needed");
}

void CheckPosition(const std::vector<Bytes>& items, int item) {
  const std::vector<Bytes> fields = SplitCommaText(items[item]);
  if (fields.empty() || fields[0].empty()) return;  // no script: the position is kept
  int32_t position = 0;
  if (fields.size() < 2 || !TryStrToInt(fields[1], position) || position < 0)
    Damaged(item, "holds no script position");
}

}  // namespace

Bytes JoinSaveRecord(const SaveRecord& r) {
  TSlist q;
  q.PushString(r.chapterTitle);
  q.PushString(r.progressKey);
  q.PushString(r.dateTime);
  for (const Bytes& layer : r.layers) q.PushString(layer);
  q.PushString(r.box);
  q.PushString(r.text);
  q.PushString(r.position);
  q.PushString(r.music);
  q.PushString(r.effects);
  q.PushInteger(r.boxType);
  q.PushInteger(r.boxColour);
  q.PushInteger(r.boxOpacity);
  q.PushString(r.pageText);
  q.PushBool(r.waitingForKey);
  q.PushInteger(r.timer);
  q.PushBool(r.timed);
  return q.CommaText();
}

SaveRecord ParseSaveRecord(std::string_view text) {
  const std::vector<Bytes> items = SplitCommaText(text);
  if (items.size() < size_t(kSaveRecordItems))
    throw DataError("the save record is damaged: it has " + std::to_string(items.size()) +
                    " items where " + std::to_string(kSaveRecordItems) + " are needed");
  for (int i = 3; i <= 12; ++i) CheckLayerState(items, i);
  CheckPosition(items, 13);
  SaveRecord r;
  r.boxType = Number(items, 16);
  // The box type picks one of the eight text box rectangles.
  if (r.boxType < 0 || r.boxType > 7)
    Damaged(16, "is " + std::to_string(r.boxType) + ", not a box number 0 to 7");
  r.boxColour = Number(items, 17);
  r.boxOpacity = Number(items, 18);
  r.timer = Number(items, 21);
  r.chapterTitle = items[0];
  r.progressKey = items[1];
  r.dateTime = items[2];
  for (int i = 0; i < kNamedLayers; ++i) r.layers[i] = items[3 + i];
  r.box = items[11];
  r.text = items[12];
  r.position = items[13];
  r.music = items[14];
  r.effects = items[15];
  r.pageText = items[19];
  r.waitingForKey = items[20] == "true";
  r.timed = items[22] == "true";
  return r;
}

Bytes ProgressKey(int32_t chapter, int32_t position) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d%5.5d", chapter, position);
  return buffer;
}

Bytes SaveDateText(std::time_t when) {
  std::tm t{};
  localtime_r(&when, &t);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d %02d:%02d", t.tm_year % 100, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min);
  return buffer;
}

Bytes FreeSlotName(const std::string& saveDir) {
  for (int n = 0; n <= kLastSaveSlot; ++n) {
    Bytes name = "data" + IntToStr(n);
    if (!FileExists(saveDir + name)) return name;
  }
  return Bytes();
}

SoundRequest RestoredSound(int channel, std::string_view state) {
  std::vector<Bytes> f = SplitCommaText(state);
  while (f.size() < 4) f.push_back("-");
  if (f[1] == "-1") f[1] = "0";
  if (f[2] == "true") f[1] = "-1";
  SoundRequest r;
  r.channel = channel;
  if (f[3] != "false") {
    r.kind = kSoundFadeIn;
    r.name = f[0];
    r.value = 2000;
    r.loops = StrToIntDef(f[1], 0);
    if (f[2] == "true") {
      // A random set is saved under the variant that was playing ("x3.wav");
      // the source adds a digit of its own to the name it is given, so the
      // set is restarted under its stem ("x"), as its chaining does.
      const Bytes stem = SoundNameStem(r.name);
      if (!stem.empty() && stem.back() >= '0' && stem.back() <= '9')
        r.name = stem.substr(0, stem.size() - 1) + ".wav";
    }
  } else {
    r.kind = kSoundStop;
  }
  return r;
}

}  // namespace vantel
