#include "script/StorySave.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "base/Errors.h"
#include "data/CommaText.h"
#include "sound/FuncSound.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::TempDir;

const char* const kLayer = "0,0,1,255,bg,background,true,true,true,false";

SaveRecord Sample() {
  SaveRecord r;
  r.chapterTitle = "";
  r.progressKey = ProgressKey(0, 7);
  r.dateTime = "26/12/08 01:32";
  for (Bytes& l : r.layers) l = kLayer;
  r.box = "40,50,0,128,,box,true,false,false,false";
  r.text = "40,60,0,255,,tex,true,false,true,false";
  r.position = "a,12";
  r.music = "\"bgm01.wav\",0,false,true";
  r.effects = "\"\",0,false,false";
  r.boxType = 2;
  r.boxColour = 8388608;
  r.boxOpacity = 128;
  r.pageText = "\r\nHe said \"no\", twice\r\n*br\r\n";
  r.waitingForKey = true;
  r.timer = -100;
  r.timed = false;
  return r;
}

TEST(StorySave, ProgressKeysPadThePositionToFiveDigits) {
  EXPECT_EQ(ProgressKey(3, 120), "300120");
  EXPECT_EQ(ProgressKey(0, 7), "000007");
  EXPECT_EQ(ProgressKey(8, 123456), "8123456");
  // Keys of different lengths sort as text in the save list.
  EXPECT_LT(ProgressKey(2, 99999), ProgressKey(3, 120));
}

TEST(StorySave, DateStampIsTwoDigitFields) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(SaveDateText(std::time_t(1796693520)), "26/12/08 01:32");  // 2026-12-08 01:32 UTC
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(StorySave, RecordIsTheCommaTextOfItsItemsAndReadsBack) {
  const SaveRecord r = Sample();
  const Bytes text = JoinSaveRecord(r);
  // Byte for byte: an empty first item is written as nothing, nested
  // records quoted with inner quotes doubled, the page text quoted because
  // of its line breaks and quotes.
  Bytes expected = ",000007,\"26/12/08 01:32\"";
  for (int i = 0; i < 8; ++i) expected += ",\"" + Bytes(kLayer) + "\"";
  expected +=
      ",\"40,50,0,128,,box,true,false,false,false\",\"40,60,0,255,,tex,true,false,true,false\""
      ",\"a,12\",\"\"\"bgm01.wav\"\",0,false,true\",\"\"\"\"\",0,false,false\",2,8388608,128,"
      "\"\r\nHe said \"\"no\"\", twice\r\n*br\r\n\",true,-100,false";
  EXPECT_EQ(text, expected);
  ASSERT_EQ(SplitCommaText(text).size(), 23u);

  const SaveRecord back = ParseSaveRecord(text);
  EXPECT_EQ(back.pageText, r.pageText);
  EXPECT_EQ(back.timer, -100);
  EXPECT_EQ(JoinSaveRecord(back), text);
}

TEST(StorySave, DamagedRecordsAreRefusedNamingTheItem) {
  const Bytes good = JoinSaveRecord(Sample());
  auto fails = [](const Bytes& text, const char* what) {
    try {
      ParseSaveRecord(text);
      ADD_FAILURE() << "accepted: " << what;
    } catch (const DataError& e) {
      EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
  };
  fails(good.substr(0, good.size() / 2), "items where 23 are needed");
  fails("not,a,save", "items where 23 are needed");
  std::vector<Bytes> items = SplitCommaText(good);
  auto with = [&](int i, Bytes v) {
    std::vector<Bytes> copy = items;
    copy[i] = std::move(v);
    return JoinCommaText(copy);
  };
  fails(with(16, "x"), "box type");
  fails(with(16, "8"), "box type");
  fails(with(17, "red"), "box colour");
  fails(with(18, ""), "box opacity");
  fails(with(21, "1.5"), "timer");
  fails(with(5, "0,0,1"), "left");                   // a layer state cut short
  fails(with(11, "a,0,1,255,,box,1,1,1,1"), "box");  // a layer state with a bad number
  fails(with(13, "a,x"), "script position");
  fails(with(13, "a,-3"), "script position");
  // No script name keeps the position; unknown sounds and flags are no damage.
  EXPECT_NO_THROW(ParseSaveRecord(with(13, "")));
  EXPECT_NO_THROW(ParseSaveRecord(with(14, "")));
  EXPECT_FALSE(ParseSaveRecord(with(20, "TRUE")).waitingForKey);
  EXPECT_NO_THROW(ParseSaveRecord(good + ",extra"));
}

TEST(StorySave, FreeSlotIsTheFirstMissingNumber) {
  TempDir dir;
  EXPECT_EQ(FreeSlotName(dir.Path()), "data0");
  dir.Write("data0", "x");
  dir.Write("Data1", "x");  // names match in any case
  dir.Write("data3", "x");
  EXPECT_EQ(FreeSlotName(dir.Path()), "data2");
  for (int n = 0; n <= 1000; ++n) dir.Write("data" + std::to_string(n), "x");
  // Every slot taken: no name, so that no save is overwritten.
  EXPECT_EQ(FreeSlotName(dir.Path()), "");
  std::filesystem::remove(dir / "data1000");
  EXPECT_EQ(FreeSlotName(dir.Path()), "data1000");
}

TEST(StorySave, SavedSoundsRestartFadingIn) {
  auto check = [](const char* state, int32_t kind, const char* name, int32_t loops) {
    const SoundRequest q = RestoredSound(1, state);
    EXPECT_EQ(q.channel, 1) << state;
    EXPECT_EQ(q.kind, kind) << state;
    EXPECT_EQ(q.name, name) << state;
    EXPECT_EQ(q.loops, loops) << state;
    EXPECT_EQ(q.value, kind == kSoundFadeIn ? 2000 : 0) << state;
  };
  check("\"\",0,false,false", kSoundStop, "", 0);  // nothing played
  check("bgm01.wav,3,false,true", kSoundFadeIn, "bgm01.wav", 3);
  check("bgm01.wav,-1,false,true", kSoundFadeIn, "bgm01.wav", 0);  // endless stays endless
  // A random set restarts under its stem: the source adds the variant digit.
  check("se2.wav,1,true,true", kSoundFadeIn, "se.wav", -1);
  check("voice.wav,0,true,true", kSoundFadeIn, "voice.wav", -1);
  check("bgm01.wav,5,false,false", kSoundStop, "", 0);
  check("bgm01.wav", kSoundFadeIn, "bgm01.wav", 0);  // missing fields read as "-"
}

}  // namespace
}  // namespace vantel
