// The rules of the names that both tools go by. lsd2wav refuses to write a
// file whose name leads outside its folder or that the platform takes for
// something else; wav2lsd refuses a WAV file whose name lsd2wav on Windows,
// the banks' home, would refuse, and says which rule it breaks. One table
// holds the verdicts of both, so that they cannot drift apart.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bank/file_name.h"
#include "bank/safe_name.h"
#include "pack/entry_name.h"
#include "pack/pack_texts.h"

namespace {

struct NameCase {
    const char* name;  // an entry name with the extension already added
    bool safeOnPosix;  // lsd2wav on POSIX writes it
    // Why lsd2wav on Windows refuses it and wav2lsd everywhere, or none.
    const char* windowsReason;
};

const NameCase kNames[] = {
    {"tone.wav", true, nullptr},
    {".wav", true, nullptr},
    {"...wav", true, nullptr},  // from the entry name ".."
    {"a..b.wav", true, nullptr},
    {"....wav", true, nullptr},
    {"sub/tone.wav", true, nullptr},
    {"sub/.../x.wav", true, nullptr},
    {"sub/..x/y.wav", true, nullptr},
    {"x../y.wav", true, nullptr},
    {"/tone.wav", false, RootedName},
    {"/etc/x.wav", false, RootedName},
    {"../x.wav", false, ClimbingName},
    {"a/../x.wav", false, ClimbingName},
    {"a/b/../../../x.wav", false, ClimbingName},
    {"a/../../x.wav", false, ClimbingName},
    {"a//..//x.wav", false, ClimbingName},
    // Backslashes and drive letters are ordinary characters on POSIX.
    {"\\x.wav", true, RootedName},
    {"\\\\server\\share\\x.wav", true, RootedName},
    {"\\\\?\\C:\\x.wav", true, RootedName},
    {"..\\x.wav", true, ClimbingName},
    {"a\\..\\..\\x.wav", true, ClimbingName},
    {"a/..\\x.wav", true, ClimbingName},
    {"C:x.wav", true, ColonName},
    {"C:\\x.wav", true, ColonName},
    {"z:/x.wav", true, ColonName},
    // On Windows a colon names a drive, or a stream of another file.
    {"1:x.wav", true, ColonName},
    {"a:b.wav", true, ColonName},
    {"tone.wav:x", true, ColonName},
    // Device names are devices in every folder, whatever follows the dot.
    {"NUL.wav", true, DeviceName},
    {"con.wav", true, DeviceName},
    {"sub/Com1.wav", true, DeviceName},
    {"lpt9.x.wav", true, DeviceName},
    {"aux .wav", true, DeviceName},
    {"nul/x.wav", true, DeviceName},
    {"CONOUT$.wav", true, DeviceName},
    {"COM0.wav", true, nullptr},
    {"CONSOLE.wav", true, nullptr},
    {"xnul.wav", true, nullptr},
    {"LPT.wav", true, nullptr},
    // The superscript digits of Windows-1252 are digits to Windows too.
    {"COM\xB9.wav", true, DeviceName},
    {"lpt\xB2.x.wav", true, DeviceName},
    {"sub/Com\xB3/x.wav", true, DeviceName},
    {"COM\xB4.wav", true, nullptr},
    {"..x\\y.wav", true, nullptr},
};

TEST(NameRules, BothToolsRefuseRootedClimbingAndSpecialNamesAlike) {
    for (const NameCase& c : kNames) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSafeOutputName(c.name, PosixPaths), c.safeOnPosix);
        EXPECT_EQ(IsSafeOutputName(c.name, WindowsPaths), c.windowsReason == nullptr);
        const char* reason = RefusedNameReason(c.name);
        EXPECT_EQ(reason ? std::string(reason) : "", c.windowsReason ? c.windowsReason : "");
    }
}

// The entry name is the base name less ".wav", and the name must be one that
// lsd2wav turns back into the same file: the separators are those of the
// platform the command runs on, the rules of unsafe names those of Windows,
// the bank's home, everywhere.
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
        {"dir\\a.wav", PosixPaths, "", ReservedCharacterName},
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
        // What Windows cannot create, which a new bank takes nowhere.
        {"x*y.wav", PosixPaths, "", ReservedCharacterName},
        {"a?.wav", PosixPaths, "", ReservedCharacterName},
        {"a<b>.wav", PosixPaths, "", ReservedCharacterName},
        {"p|q.wav", PosixPaths, "", ReservedCharacterName},
        {"say \"hi\".wav", PosixPaths, "", ReservedCharacterName},
        {"tab\t.wav", PosixPaths, "", ControlByteName},
        {"COM\xB9.wav", PosixPaths, "", DeviceName},
        {"caf\xE9 ~#!.wav", PosixPaths, "caf\xE9 ~#!", nullptr},
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

// Two spellings of one file: what a file system of each rules reads as the
// same file must reduce to one spelling, and what it reads as two, to two.
TEST(FileNames, ReduceToOneSpellingPerFile) {
    struct Case {
        const char* a;
        const char* b;
        bool oneOnPosix;
        bool oneOnWindows;
    } cases[] = {
        {"x.wav", "./x.wav", true, true},
        {"sub/x.wav", "sub//x.wav", true, true},
        {"sub/x.wav", "sub/./x.wav", true, true},
        {"sub/x.wav", "./sub/x.wav", true, true},
        {"sub/x.wav", "sub./x.wav", false, true},
        {"sub/x.wav", "sub . /x.wav", false, true},
        {"a/b.wav", "a\\b.wav", false, true},
        {"X.wav", "x.wav", false, true},
        {"\xC9t\xC9.wav", "\xE9t\xE9.wav", false, true},  // É and é
        {"\x8A\x8C\x8E\x9F.wav", "\x9A\x9C\x9E\xFF.wav", false, true},
        {"\xD7.wav", "\xF7.wav", false, false},  // a sign, not a letter
        {"a.b.wav", "ab.wav", false, false},
        {"x.wav", "x .wav", false, false},
        {"sub/x.wav", "subx.wav", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " and " + c.b);
        char a[64], b[64];
        ReduceFileName(c.a, PosixPaths, a);
        ReduceFileName(c.b, PosixPaths, b);
        EXPECT_EQ(std::string(a) == b, c.oneOnPosix) << a << " / " << b;
        ReduceFileName(c.a, WindowsPaths, a);
        ReduceFileName(c.b, WindowsPaths, b);
        EXPECT_EQ(std::string(a) == b, c.oneOnWindows) << a << " / " << b;
    }
}

}  // namespace
