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

Reason ReasonOf(NameFault fault) {
    switch (fault) {
        case NameFault::Rooted:
            return Reason::RootedName;
        case NameFault::ClimbsUp:
            return Reason::ClimbingName;
        case NameFault::Colon:
            return Reason::ColonName;
        case NameFault::DeviceName:
            return Reason::DeviceName;
        case NameFault::ReservedCharacter:
            return Reason::ReservedCharacterName;
        case NameFault::ControlByte:
            return Reason::ControlByteName;
        case NameFault::None:
            break;
    }
    return Reason::None;
}

}  // namespace

Reason RefusedName(const char* fileName) {
    return ReasonOf(FindNameFault(fileName, WindowsPaths));
}

const char* RefusedNameReason(const char* fileName) {
    Reason reason = RefusedName(fileName);
    return reason == Reason::None ? nullptr : ReasonWords(reason);
}

Reason EntryNameOf(const char* path, const PathConventions& conventions, char* name) {
    std::memset(name, 0, EntryNameBufferSize);
    if (IsUnexpandedWildcard(path, conventions)) return Reason::UnexpandedWildcard;
    const char* base = BaseName(path, conventions);
    size_t length = std::strlen(base);
    if (!EndsInWav(base, length)) return Reason::NoWavEnding;
    size_t nameLength = length - std::strlen(WavExtension);
    if (nameLength == 0) return Reason::EmptyName;
    if (nameLength > static_cast<size_t>(NameFieldSize)) return Reason::LongName;
    std::memcpy(name, base, nameLength);

    // Judged as lsd2wav will judge it: the name with its ending as written.
    char fileName[FileNameSize];
    MakeFileName(name, fileName);
    Reason refused = ReasonOf(FindNewNameFault(fileName));
    if (refused != Reason::None) std::memset(name, 0, EntryNameBufferSize);
    return refused;
}
