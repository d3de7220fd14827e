#include "base/sound.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "win_test_util.h"

namespace {

// A short, silent 8 kHz mono wave file.
void WriteWave(const std::string& path) {
  const std::uint32_t samples = 800;
  std::ofstream f(path, std::ios::binary);
  auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  f.write("RIFF", 4);
  u32(36 + samples);
  f.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  f.write("data", 4);
  u32(samples);
  for (std::uint32_t i = 0; i < samples; ++i) f.put(static_cast<char>(0x80));
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshSettingsAndLog("sound_test");
    folder_ = WorkFolder();
    SoundInit(window_.hwnd(), folder_.c_str(), &flag_);
    WriteWave(folder_ + "klick.wav");
    WriteWave(folder_ + "ENDE.WAV");
    WriteWave(folder_ + "open.wav");
    WritePrivateProfileStringA("Sound", "klick", "klick.wav", SettingsPath());
    WritePrivateProfileStringA("Sound", "Open", "open.wav", SettingsPath());
  }
  std::string Line(const char* verb, const char* file) {
    return std::string("MCI ") + verb + " \"" + folder_ + file + "\" notify | ";
  }
  static int Occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
  }
  RecordingWindow window_{false};
  std::string folder_;
  int flag_ = 1;
};

}  // namespace

TEST_F(SoundTest, WaveNamesAreRecognisedInAnyCase) {
  EXPECT_TRUE(IsWaveFileName("a.wav"));
  EXPECT_TRUE(IsWaveFileName("ENDE.WAV"));
  EXPECT_TRUE(IsWaveFileName("x.Wav.mp3")) << "anywhere in the name";
  EXPECT_FALSE(IsWaveFileName("a.mp3"));
  EXPECT_FALSE(IsWaveFileName(".wa"));
  EXPECT_FALSE(IsWaveFileName(nullptr));
}

TEST_F(SoundTest, EventWithoutFileIsSilentAndWrittenBack) {
  EXPECT_EQ(PlayEventSound("Draw", kSoundStart), kSoundWait);
  EXPECT_EQ(RawSetting("Sound", "Draw"), "-");
  WritePrivateProfileStringA("Sound", "klick", "-", SettingsPath());
  EXPECT_EQ(PlayEventSound("klick", kSoundStart), kSoundWait);
  EXPECT_EQ(ReadLog().find("MCI"), std::string::npos);
}

TEST_F(SoundTest, SoundOffPlaysNothingButStillWritesKeys) {
  SetSoundOn(false);
  EXPECT_EQ(flag_, 0) << "the program's own switch";
  EXPECT_FALSE(SoundOn());
  EXPECT_EQ(PlayEventSound("klick", kSoundStart), kSoundWait);
  EXPECT_EQ(PlayEventSound("connect", kSoundStart), kSoundWait);
  EXPECT_EQ(RawSetting("Sound", "connect"), "-");
  EXPECT_EQ(ReadLog().find("MCI"), std::string::npos);
  flag_ = 1;  // switched on by the program
  EXPECT_EQ(PlayEventSound("klick", kSoundStart), 1);
}

TEST_F(SoundTest, MediaCommandsAreSentAndLogged) {
  EXPECT_EQ(PlayEventSound("klick", kSoundStart), 1);
  std::string log = ReadLog();
  EXPECT_EQ(Occurrences(log, Line("open", "klick.wav")), 1) << log;
  EXPECT_EQ(Occurrences(log, Line("play", "klick.wav")), 1) << log;
  EXPECT_LT(log.find(Line("open", "klick.wav")), log.find(Line("play", "klick.wav")));
  // Played again: closed before it is opened again.
  LogReset();
  EXPECT_EQ(PlayEventSound("klick", kSoundStart), 1);
  log = ReadLog();
  EXPECT_EQ(Occurrences(log, Line("close", "klick.wav")), 1) << log;
  EXPECT_EQ(Occurrences(log, Line("open", "klick.wav")), 1);
  EXPECT_LT(log.find(Line("close", "klick.wav")), log.find(Line("open", "klick.wav")));
}

TEST_F(SoundTest, AnotherFileClosesOnlyItself) {
  WritePrivateProfileStringA("Sound", "Save", "save.mp3", SettingsPath());
  PlayEventSound("klick", kSoundStart);
  LogReset();  // only what the next sound sends
  EXPECT_EQ(PlayEventSound("Save", kSoundStart), 1);
  std::string log = ReadLog();
  EXPECT_EQ(Occurrences(log, Line("close", "save.mp3")), 1) << log;
  EXPECT_EQ(Occurrences(log, Line("open", "save.mp3")), 1);
  EXPECT_EQ(Occurrences(log, "MCI close \"" + folder_ + "klick.wav"), 0) << "klick stays open";
}

TEST_F(SoundTest, DifferentSoundsStayOpenSideBySide) {
  EXPECT_EQ(PlayEventSound("klick", kSoundStart), 1);
  EXPECT_EQ(PlayEventSound("Open", kSoundStart), 1);
  std::string log = ReadLog();
  std::size_t at = log.find(Line("open", "open.wav"));
  ASSERT_NE(at, std::string::npos) << log;
  std::string line = log.substr(at, log.find('\n', at) - at);
  if (line.size() < 4 || line.compare(line.size() - 4, 4, " | 0") != 0)
    GTEST_SKIP() << "the media service cannot open wave files here: " << log;
  // Both devices answer, addressed by their full paths.
  for (const char* file : {"klick.wav", "open.wav"}) {
    std::string command = "status \"" + folder_ + file + "\" mode";
    char answer[64] = "";
    EXPECT_EQ(mciSendStringA(command.c_str(), answer, sizeof answer, nullptr), 0u) << file;
  }
}

TEST_F(SoundTest, WaveInModeZeroPlaysSynchronouslyWithoutMediaCommands) {
  WritePrivateProfileStringA("Sound", "Ende", "ENDE.WAV", SettingsPath());
  PlayEventSound("Ende", kSoundWait);  // the platform's result; without audio it fails quietly
  EXPECT_EQ(ReadLog().find("MCI"), std::string::npos);
  // An MP3 is started through the media interface even in mode 0.
  WritePrivateProfileStringA("Sound", "Ende", "ende.mp3", SettingsPath());
  EXPECT_EQ(PlayEventSound("Ende", kSoundWait), kSoundStart);
  EXPECT_NE(ReadLog().find(Line("play", "ende.mp3")), std::string::npos);
}

TEST_F(SoundTest, LongNamesStayInTheirBuffers) {
  std::string name(400, 'n');
  name += ".mp3";
  WritePrivateProfileStringA("Sound", "Hint", name.c_str(), SettingsPath());
  EXPECT_EQ(PlayEventSound("Hint", kSoundStart), 1);
  std::string log = ReadLog();
  EXPECT_NE(log.find("MCI open \""), std::string::npos);
  EXPECT_EQ(log.find(".mp3"), std::string::npos) << "the name is cut at 254 characters";
}
