#include "ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::usbfs::testing {

ChildResult RunChild(const std::vector<std::string>& argv, const std::string& user) {
    ChildResult result;
    // Everything the child needs is prepared before fork: in a process with
    // threads, the child may only make system calls until it execs.
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    uid_t uid = 0;
    gid_t gid = 0;
    if (!user.empty()) {
        const passwd* account = getpwnam(user.c_str());
        if (account == nullptr) {
            result.output = "no user " + user;
            return result;
        }
        uid = account->pw_uid;
        gid = account->pw_gid;
    }
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) {
        return result;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe[1], STDOUT_FILENO);
        dup2(pipe[1], STDERR_FILENO);
        if (!user.empty() && (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 ||
                              setresuid(uid, uid, uid) != 0)) {
            _exit(126);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipe[1]);
    char buffer[4096];
    for (ssize_t count; (count = read(pipe[0], buffer, sizeof(buffer))) > 0;) {
        result.output.append(buffer, static_cast<size_t>(count));
    }
    close(pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace corvane::usbfs::testing
