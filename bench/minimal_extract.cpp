// minimal_extract: the yardstick for lsd2wav's speed. Started in a bank's
// folder, it makes the same WAV files and prints the same lines as lsd2wav
// does on a well-formed bank, with as few system calls as that can take:
// the bank is mapped once, and each entry then costs one console write, one
// open, one vectored write and one close.
//
// Only what the benchmark banks hold is handled: every entry complete, a
// sample block of at least one byte and a name without "/". Anything else
// ends the run with a message on stderr and exit code 2, so that a bank it
// cannot stand in for is never timed against lsd2wav by mistake.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const int kNameFieldSize = 32;
const int kEntryHeadSize = 52;  // name field, length field, format block
const int kWavHeaderSize = 44;

uint32_t Int32At(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

void PutInt32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// One call when the kernel takes everything at once, which it does for a
// regular file or a pipe with room; the loop only covers short writes.
bool WriteWhole(int fd, iovec* parts, int count) {
    while (count > 0) {
        ssize_t n = writev(fd, parts, count);
        if (n < 0) return false;
        size_t left = static_cast<size_t>(n);
        while (count > 0 && left >= parts->iov_len) {
            left -= parts->iov_len;
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<char*>(parts->iov_base) + left;
            parts->iov_len -= left;
        }
    }
    return true;
}

// A plain write rather than a vectored one, so that strace tells the
// console lines apart from the WAV files.
void PrintLine(const char* text, size_t length) {
    char line[128];
    std::memcpy(line, text, length);
    line[length] = '\n';
    size_t done = 0;
    while (done < length + 1) {
        ssize_t n = write(STDOUT_FILENO, line + done, length + 1 - done);
        if (n < 0) return;
        done += static_cast<size_t>(n);
    }
}

int Unsupported(const char* why, long long offset) {
    std::fprintf(stderr, "minimal_extract: %s at offset %lld; only well-formed banks are handled\n",
                 why, offset);
    return 2;
}

}  // namespace

int main() {
    const char* heading = "Extracting music...";
    int archive = open("music_p.lsd", O_RDONLY | O_CLOEXEC);
    if (archive < 0) {
        heading = "Extracting sounds...";
        archive = open("sound_p.lsd", O_RDONLY | O_CLOEXEC);
        if (archive < 0) return 0;
    }
    struct stat info;
    if (fstat(archive, &info) != 0) return Unsupported("cannot read the bank's size", 0);
    size_t size = static_cast<size_t>(info.st_size);
    const unsigned char* bank = nullptr;
    if (size > 0) {
        void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, archive, 0);
        if (mapped == MAP_FAILED) return Unsupported("cannot map the bank", 0);
        bank = static_cast<const unsigned char*>(mapped);
    }
    PrintLine(heading, std::strlen(heading));

    const char* status = "  ok";
    size_t at = size < 4 ? size : 4;  // past the lead field
    while (at < size) {
        if (size - at < static_cast<size_t>(kEntryHeadSize))
            return Unsupported("a cut entry head", static_cast<long long>(at));
        const unsigned char* entry = bank + at;
        const void* nameEnd = std::memchr(entry, 0, kNameFieldSize);
        size_t nameLength = nameEnd ? static_cast<const unsigned char*>(nameEnd) - entry
                                    : static_cast<size_t>(kNameFieldSize);
        if (std::memchr(entry, '/', nameLength))
            return Unsupported("a name with a \"/\"", static_cast<long long>(at));
        uint32_t length = Int32At(entry + kNameFieldSize);
        int64_t block = static_cast<int64_t>(static_cast<int32_t>(length)) + 2;
        if (block <= 0 || static_cast<uint64_t>(block) > size - at - kEntryHeadSize)
            return Unsupported("a sample block that is empty or cut", static_cast<long long>(at));

        // "  " name ".wav", and the file name as the line's tail.
        char line[2 + kNameFieldSize + 5];
        line[0] = ' ';
        line[1] = ' ';
        std::memcpy(line + 2, entry, nameLength);
        std::memcpy(line + 2 + nameLength, ".wav", 5);
        PrintLine(line, 2 + nameLength + 4);

        int output = open(line + 2, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (output < 0) {
            status = "  Cannot create output file!";
            break;
        }
        unsigned char header[kWavHeaderSize];
        std::memcpy(header, "RIFF", 4);
        PutInt32(header + 4, length + 38);
        std::memcpy(header + 8, "WAVEfmt ", 8);
        PutInt32(header + 16, 16);
        std::memcpy(header + 20, entry + kNameFieldSize + 4, 16);
        std::memcpy(header + 36, "data", 4);
        PutInt32(header + 40, length + 2);
        iovec parts[2] = {{header, sizeof header},
                          {const_cast<unsigned char*>(entry + kEntryHeadSize),
                           static_cast<size_t>(block)}};
        bool written = WriteWhole(output, parts, 2);
        if (close(output) != 0 || !written) {
            status = "  Failed to write to output file!";
            break;
        }
        at += kEntryHeadSize + static_cast<size_t>(block);
    }
    PrintLine(status, std::strlen(status));
    return 0;
}
