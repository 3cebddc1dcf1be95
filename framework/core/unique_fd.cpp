#include "framework/unique_fd.h"

#include <unistd.h>

namespace fw {

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) ::close(fd_);
  fd_ = fd;
}

}  // namespace fw
