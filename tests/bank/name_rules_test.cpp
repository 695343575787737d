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

namespace {

// The words that a user reads for each rule, written out here so that a
// changed wording shows.
const char* const kRootedName = "lsd2wav refuses a name that starts with / or \\";
const char* const kClimbingName = "lsd2wav refuses a name with a .. element";
const char* const kColonName = "lsd2wav on Windows refuses a name with a colon";
const char* const kDeviceName =
    "lsd2wav on Windows refuses a device name (CON, NUL, COM1, LPT1, ...)";
const char* const kReservedCharacterName =
    "Windows cannot create a file name with / \\ < > : \" | ? or *";
const char* const kControlByteName = "Windows cannot create a file name with a control byte";
const char* const kLongName = "the name before .wav is longer than 32 bytes";
const char* const kEmptyName = "the name before .wav is empty";
const char* const kNoWavEnding = "the file name does not end in .wav";
const char* const kUnexpandedWildcard =
    "Windows passed the * or ? on unexpanded, as typed: name each file, as in wav2lsd BANK a.wav "
    "b.wav";

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
    {"/tone.wav", false, kRootedName},
    {"/etc/x.wav", false, kRootedName},
    {"../x.wav", false, kClimbingName},
    {"a/../x.wav", false, kClimbingName},
    {"a/b/../../../x.wav", false, kClimbingName},
    {"a/../../x.wav", false, kClimbingName},
    {"a//..//x.wav", false, kClimbingName},
    // Backslashes and drive letters are ordinary characters on POSIX.
    {"\\x.wav", true, kRootedName},
    {"\\\\server\\share\\x.wav", true, kRootedName},
    {"\\\\?\\C:\\x.wav", true, kRootedName},
    {"..\\x.wav", true, kClimbingName},
    {"a\\..\\..\\x.wav", true, kClimbingName},
    {"a/..\\x.wav", true, kClimbingName},
    {"C:x.wav", true, kColonName},
    {"C:\\x.wav", true, kColonName},
    {"z:/x.wav", true, kColonName},
    // On Windows a colon names a drive, or a stream of another file.
    {"1:x.wav", true, kColonName},
    {"a:b.wav", true, kColonName},
    {"tone.wav:x", true, kColonName},
    // Device names are devices in every folder, whatever follows the dot.
    {"NUL.wav", true, kDeviceName},
    {"con.wav", true, kDeviceName},
    {"sub/Com1.wav", true, kDeviceName},
    {"lpt9.x.wav", true, kDeviceName},
    {"aux .wav", true, kDeviceName},
    {"nul/x.wav", true, kDeviceName},
    {"CONOUT$.wav", true, kDeviceName},
    {"COM0.wav", true, nullptr},
    {"CONSOLE.wav", true, nullptr},
    {"xnul.wav", true, nullptr},
    {"LPT.wav", true, nullptr},
    // The superscript digits of Windows-1252 are digits to Windows too.
    {"COM\xB9.wav", true, kDeviceName},
    {"lpt\xB2.x.wav", true, kDeviceName},
    {"sub/Com\xB3/x.wav", true, kDeviceName},
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
        {"dir\\a.wav", PosixPaths, "", kReservedCharacterName},
        {"dir\\a.wav", WindowsPaths, "a", nullptr},
        {"C:x.wav", PosixPaths, "", kColonName},
        {"C:x.wav", WindowsPaths, "", kColonName},
        {"C:\\dir\\C:x.wav", WindowsPaths, "", kColonName},
        {"dir/NUL.wav", PosixPaths, "", kDeviceName},
        {"com1.x.wav", PosixPaths, "", kDeviceName},
        {"\\x.wav", PosixPaths, "", kRootedName},
        {"..\\x.wav", PosixPaths, "", kClimbingName},
        {longest + "n.wav", PosixPaths, "", kLongName},
        {".wav", PosixPaths, "", kEmptyName},
        {"dir/.WAV", PosixPaths, "", kEmptyName},
        {"a.wave", PosixPaths, "", kNoWavEnding},
        {"wav", PosixPaths, "", kNoWavEnding},
        {"dir.wav/", PosixPaths, "", kNoWavEnding},
        {"dir.wav\\", WindowsPaths, "", kNoWavEnding},
        // What Windows cannot create, which a new bank takes nowhere.
        {"x*y.wav", PosixPaths, "", kReservedCharacterName},
        {"a?.wav", PosixPaths, "", kReservedCharacterName},
        {"a<b>.wav", PosixPaths, "", kReservedCharacterName},
        {"p|q.wav", PosixPaths, "", kReservedCharacterName},
        {"say \"hi\".wav", PosixPaths, "", kReservedCharacterName},
        {"tab\t.wav", PosixPaths, "", kControlByteName},
        {"COM\xB9.wav", PosixPaths, "", kDeviceName},
        {"caf\xE9 ~#!.wav", PosixPaths, "caf\xE9 ~#!", nullptr},
        // Where the shell leaves * and ? as typed, the argument is a pattern
        // that matched nothing; elsewhere it is a name Windows cannot create.
        {"*.wav", PosixPaths, "", kReservedCharacterName},
        {"*.wav", WindowsPaths, "", kUnexpandedWildcard},
        {"take?.WAV", WindowsPaths, "", kUnexpandedWildcard},
        {"*", WindowsPaths, "", kUnexpandedWildcard},
        {"sounds\\*\\a.wav", WindowsPaths, "", kUnexpandedWildcard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + (c.conventions.colonIsSpecial ? " (Windows)" : " (POSIX)"));
        char name[EntryNameBufferSize];
        std::memset(name, 'x', sizeof name);
        Reason reason = EntryNameOf(c.path.c_str(), c.conventions, name);
        EXPECT_EQ(std::string(ReasonWords(reason)), c.reason ? std::string(c.reason) : "");
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
