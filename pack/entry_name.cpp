#include "pack/entry_name.h"

#include <cstring>

#include "bank/file_name.h"
#include "bank/safe_name.h"
#include "pack/pack_texts.h"

const char* BaseName(const char* path, const PathConventions& conventions) {
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (IsSeparator(*p, conventions)) base = p + 1;
    }
    return base;
}

namespace {

bool EndsInWav(const char* text, size_t length) {
    size_t ending = std::strlen(WavExtension);
    if (length < ending) return false;
    for (size_t i = 0; i < ending; ++i) {
        if (LowerCase(static_cast<unsigned char>(text[length - ending + i])) != WavExtension[i])
            return false;
    }
    return true;
}

}  // namespace

bool HasWavEnding(const char* text) { return EndsInWav(text, std::strlen(text)); }

bool IsUnexpandedWildcard(const char* path, const PathConventions& conventions) {
    return conventions.wildcardsUnexpanded && std::strpbrk(path, "*?") != nullptr;
}

namespace {

const char* ReasonOf(NameFault fault) {
    switch (fault) {
        case NameFault::Rooted:
            return RootedName;
        case NameFault::ClimbsUp:
            return ClimbingName;
        case NameFault::Colon:
            return ColonName;
        case NameFault::DeviceName:
            return DeviceName;
        case NameFault::ReservedCharacter:
            return ReservedCharacterName;
        case NameFault::ControlByte:
            return ControlByteName;
        case NameFault::None:
            break;
    }
    return nullptr;
}

}  // namespace

const char* RefusedNameReason(const char* fileName) {
    return ReasonOf(FindNameFault(fileName, WindowsPaths));
}

const char* EntryNameOf(const char* path, const PathConventions& conventions, char* name) {
    std::memset(name, 0, EntryNameBufferSize);
    if (IsUnexpandedWildcard(path, conventions)) return UnexpandedWildcard;
    const char* base = BaseName(path, conventions);
    size_t length = std::strlen(base);
    if (!EndsInWav(base, length)) return NoWavEnding;
    size_t nameLength = length - std::strlen(WavExtension);
    if (nameLength == 0) return EmptyName;
    if (nameLength > static_cast<size_t>(NameFieldSize)) return LongName;
    std::memcpy(name, base, nameLength);

    // Judged as lsd2wav will judge it: the name with its ending as written.
    char fileName[FileNameSize];
    MakeFileName(name, fileName);
    const char* refused = ReasonOf(FindNewNameFault(fileName));
    if (refused) std::memset(name, 0, EntryNameBufferSize);
    return refused;
}
