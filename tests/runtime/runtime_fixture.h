// A fresh directory and a fresh file registry for each runtime test, with
// the buffer size as the test's parameter so that every case runs with and
// without a file buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"
#include "runtime/files/file_handle.h"
#include "runtime/files/file_registry.h"

class RuntimeTest : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file in the test's directory.
    void MakeFile(const char* name, const std::vector<unsigned char>& bytes);
    std::vector<unsigned char> FileBytes(const char* name);

    HANDLE memory = nullptr;
    FileRegistry* registry = nullptr;

private:
    std::string directory;
    std::string previousDirectory;
};

std::string BufferName(const ::testing::TestParamInfo<int32_t>& info);
