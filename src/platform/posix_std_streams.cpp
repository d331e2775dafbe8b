// The standard streams on POSIX systems: closed ones reopened on /dev/null, SIGPIPE ignored.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/std_streams.h"

void std_streams_ensure()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is this one, since the lower ones are open by now.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened > fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

void pipe_signal_ignore()
{
    std::signal(SIGPIPE, SIG_IGN);
}
