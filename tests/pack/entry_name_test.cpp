// The entry name is the base name less ".wav", and the name must be one that
// lsd2wav turns back into the same file: the separators are those of the
// platform the command runs on, the rules of unsafe names those of Windows,
// the bank's home, everywhere.
#include "pack/entry_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pack/pack_texts.h"

namespace {

TEST(EntryName, IsTheBaseNameWithoutItsEndingOrRefused) {
    const std::string longest(32, 'n');
    struct Case {
        std::string path;
        PathConventions conventions;
        std::string name;    // when taken
        const char* reason;  // when refused
    } cases[] = {
        {"a.wav", PosixPaths, "a", nullptr},
        {"dir/sub/take 2.wav", PosixPaths, "take 2", nullptr},
        {"/abs/LOUD.WAV", PosixPaths, "LOUD", nullptr},
        {"x.wAv", PosixPaths, "x", nullptr},
        {"a.wav.wav", PosixPaths, "a.wav", nullptr},
        {"...wav", PosixPaths, "..", nullptr},
        {longest + ".wav", PosixPaths, longest, nullptr},
        {"dir\\a.wav", PosixPaths, "dir\\a", nullptr},
        {"dir\\a.wav", WindowsPaths, "a", nullptr},
        {"C:x.wav", PosixPaths, "", ColonName},
        {"C:x.wav", WindowsPaths, "", ColonName},
        {"C:\\dir\\C:x.wav", WindowsPaths, "", ColonName},
        {"dir/NUL.wav", PosixPaths, "", DeviceName},
        {"com1.x.wav", PosixPaths, "", DeviceName},
        {"\\x.wav", PosixPaths, "", RootedName},
        {"..\\x.wav", PosixPaths, "", ClimbingName},
        {longest + "n.wav", PosixPaths, "", LongName},
        {".wav", PosixPaths, "", EmptyName},
        {"dir/.WAV", PosixPaths, "", EmptyName},
        {"a.wave", PosixPaths, "", NoWavEnding},
        {"wav", PosixPaths, "", NoWavEnding},
        {"dir.wav/", PosixPaths, "", NoWavEnding},
        {"dir.wav\\", WindowsPaths, "", NoWavEnding},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + (c.conventions.colonIsSpecial ? " (Windows)" : " (POSIX)"));
        char name[EntryNameBufferSize];
        std::memset(name, 'x', sizeof name);
        const char* reason = EntryNameOf(c.path.c_str(), c.conventions, name);
        EXPECT_EQ(reason ? std::string(reason) : "", c.reason ? std::string(c.reason) : "");
        // The buffer is the name field: the name, then zeros to the end.
        std::string field = c.name;
        field.resize(EntryNameBufferSize, '\0');
        EXPECT_EQ(std::string(name, sizeof name), field);
    }
}

}  // namespace
