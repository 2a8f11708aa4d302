#include "support/filefaults.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>

namespace skiff::test {

bool enforceFilePermissions() {
    if (geteuid() != 0) return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    // All three capabilities are below 32, so they live in the first word.
    const __u32 overrides =
        (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    data[0].effective &= ~overrides;
    // Dropped from the permitted set too: access() would otherwise lend them back to root.
    data[0].permitted &= ~overrides;
    return syscall(SYS_capset, &header, data) == 0;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    // Going past the limit raises this signal, which would end the process.
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedHandler_);
}

}  // namespace skiff::test
