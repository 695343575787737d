#include "tests/runtime/runtime_fixture.h"

#include "tests/support/scratch_directory.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

void RuntimeTest::SetUp() {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previousDirectory = cwd;
    directory = lsdtest::MakeScratchDirectory("lsd2wav-runtime-");
    ASSERT_FALSE(directory.empty());
    ASSERT_EQ(chdir(directory.c_str()), 0);
    memory = Os.HeapCreate(0, 4096, 0);
    registry = CreateFileRegistry(memory);
    ASSERT_NE(registry, nullptr);
    registry->bufferSize = GetParam();
}

void RuntimeTest::TearDown() {
    // A test that ran start-up and shut-down left a registry of its own,
    // gone with its memory.
    if (CurrentFileRegistry() == registry) CloseAllFiles();
    Os.HeapDestroy(memory);
    ASSERT_EQ(chdir(previousDirectory.c_str()), 0);
    EXPECT_TRUE(lsdtest::RemoveScratchDirectory(directory));
}

void RuntimeTest::MakeFile(const char* name, const std::vector<unsigned char>& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> RuntimeTest::FileBytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

std::string BufferName(const ::testing::TestParamInfo<int32_t>& info) {
    return info.param == 0 ? "Unbuffered" : "Buffer" + std::to_string(info.param);
}
