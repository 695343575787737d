#include "platform/file_owner.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/posix/fd_handle.h"

namespace {

// "user:group" by name where the system knows the names, else by number.
void OwnerText(const struct stat& file, char* out, size_t size) {
    char scratch[1024];
    struct passwd user, *foundUser = nullptr;
    struct group group, *foundGroup = nullptr;
    char userNumber[16], groupNumber[16];
    std::snprintf(userNumber, sizeof userNumber, "%u", static_cast<unsigned>(file.st_uid));
    std::snprintf(groupNumber, sizeof groupNumber, "%u", static_cast<unsigned>(file.st_gid));
    getpwuid_r(file.st_uid, &user, scratch, sizeof scratch / 2, &foundUser);
    getgrgid_r(file.st_gid, &group, scratch + sizeof scratch / 2, sizeof scratch / 2,
               &foundGroup);
    std::snprintf(out, size, "%s:%s", foundUser ? foundUser->pw_name : userNumber,
                  foundGroup ? foundGroup->gr_name : groupNumber);
}

}  // namespace

bool SameOwnerAndGroup(HANDLE made, HANDLE like, char* was, char* now, size_t size) {
    struct stat madeFacts, likeFacts;
    // Unknown is no news to report.
    if (fstat(FdOfHandle(made), &madeFacts) != 0 || fstat(FdOfHandle(like), &likeFacts) != 0)
        return true;
    if (madeFacts.st_uid == likeFacts.st_uid && madeFacts.st_gid == likeFacts.st_gid) return true;
    OwnerText(likeFacts, was, size);
    OwnerText(madeFacts, now, size);
    return false;
}
