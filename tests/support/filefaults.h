#pragma once

#include <sys/resource.h>

namespace skiff::test {

// Root may write into read-only files and folders. Tests of what the program does with them
// call this first: it takes that override away from the calling thread for good, so the
// permission bits count as they do for any other user. Returns false if that failed.
bool enforceFilePermissions();

// While it lives, no file of this process may grow beyond `bytes`: writes past that are cut
// short or fail, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

}  // namespace skiff::test
