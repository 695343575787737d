#include "bank/safe_name.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* name;
    bool safeOnPosix;
    bool safeOnWindows;
};

// Every name here is an entry name with the extension already added, as the
// extraction checks it.
const NameCase kNames[] = {
    {"tone.wav", true, true},
    {".wav", true, true},
    {"...wav", true, true},  // from the entry name ".."
    {"a..b.wav", true, true},
    {"....wav", true, true},
    {"sub/tone.wav", true, true},
    {"sub/.../x.wav", true, true},
    {"sub/..x/y.wav", true, true},
    {"x../y.wav", true, true},
    {"/tone.wav", false, false},
    {"/etc/x.wav", false, false},
    {"../x.wav", false, false},
    {"a/../x.wav", false, false},
    {"a/b/../../../x.wav", false, false},
    {"a/../../x.wav", false, false},
    {"a//..//x.wav", false, false},
    // Backslashes and drive letters are ordinary characters on POSIX.
    {"\\x.wav", true, false},
    {"\\\\server\\share\\x.wav", true, false},
    {"\\\\?\\C:\\x.wav", true, false},
    {"..\\x.wav", true, false},
    {"a\\..\\..\\x.wav", true, false},
    {"a/..\\x.wav", true, false},
    {"C:x.wav", true, false},
    {"C:\\x.wav", true, false},
    {"z:/x.wav", true, false},
    // On Windows a colon names a drive, or a stream of another file.
    {"1:x.wav", true, false},
    {"a:b.wav", true, false},
    {"tone.wav:x", true, false},
    // Device names are devices in every folder, whatever follows the dot.
    {"NUL.wav", true, false},
    {"con.wav", true, false},
    {"sub/Com1.wav", true, false},
    {"lpt9.x.wav", true, false},
    {"aux .wav", true, false},
    {"nul/x.wav", true, false},
    {"CONOUT$.wav", true, false},
    {"COM0.wav", true, true},
    {"CONSOLE.wav", true, true},
    {"xnul.wav", true, true},
    {"LPT.wav", true, true},
    {"..x\\y.wav", true, true},
};

TEST(SafeNameTest, RefusesRootedAndClimbingNamesByPlatformRules) {
    for (const NameCase& c : kNames) {
        EXPECT_EQ(IsSafeOutputName(c.name, PosixPaths), c.safeOnPosix) << "POSIX: " << c.name;
        EXPECT_EQ(IsSafeOutputName(c.name, WindowsPaths), c.safeOnWindows)
            << "Windows: " << c.name;
    }
}

}  // namespace
