#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace zemta::testing {

namespace {

void check(int result, const char* what) {
  if (result != 0) {
    throw std::runtime_error(std::string(what) + " failed");
  }
}

// Reads both pipes to their ends without letting either fill up; the first
// one, however, only up to out_limit bytes, and then closes it.
void drain(int out_fd, int err_fd, std::string& out, std::string& err,
           std::size_t out_limit) {
  std::array<pollfd, 2> fds{{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
  std::array<std::string*, 2> sinks{&out, &err};
  int open_count = 0;
  for (const auto& fd : fds) {
    open_count += fd.fd >= 0 ? 1 : 0;
  }
  std::array<char, 65536> buffer{};
  while (open_count > 0) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw std::runtime_error("poll failed");
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) {
        continue;
      }
      const std::size_t wanted =
          i == 0 ? std::min(buffer.size(), out_limit - out.size())
                 : buffer.size();
      const ssize_t got = read(fds[i].fd, buffer.data(), wanted);
      if (got > 0) {
        sinks[i]->append(buffer.data(), static_cast<std::size_t>(got));
      }
      if ((got > 0 && i == 0 && out.size() == out_limit) || got == 0 ||
          (got < 0 && errno != EINTR)) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv,
                          StdoutMode stdout_mode) {
  std::array<int, 2> out_pipe{-1, -1};
  std::array<int, 2> err_pipe{-1, -1};
  check(pipe2(err_pipe.data(), O_CLOEXEC), "pipe2");
  if (stdout_mode == StdoutMode::capture ||
      stdout_mode == StdoutMode::closed_early) {
    check(pipe2(out_pipe.data(), O_CLOEXEC), "pipe2");
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (stdout_mode == StdoutMode::closed_early) {
    // The smallest pipe, so that any output beyond one page cannot be
    // written in full once the reader is gone.
    if (fcntl(out_pipe[0], F_SETPIPE_SZ, 4096) < 0) {
      throw std::runtime_error("F_SETPIPE_SZ failed");
    }
    sigset_t default_signals;
    sigemptyset(&default_signals);
    sigaddset(&default_signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &default_signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  switch (stdout_mode) {
    case StdoutMode::capture:
    case StdoutMode::closed_early:
      posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
      break;
    case StdoutMode::closed:
      posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
      break;
    case StdoutMode::dev_full:
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full",
                                       O_WRONLY, 0);
      break;
  }
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);

  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);

  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(err_pipe[1]);
  if (out_pipe[1] >= 0) {
    close(out_pipe[1]);
  }
  check(spawned, "posix_spawn");

  ProcessResult result;
  drain(out_pipe[0], err_pipe[0], result.out, result.err,
        stdout_mode == StdoutMode::closed_early ? bytes_before_close
                                                : std::string::npos);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      throw std::runtime_error("waitpid failed");
    }
  }
  if (WIFEXITED(status)) {
    result.exit_status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

ProcessResult run_shell(const std::string& command) {
  return run_process({"/bin/sh", "-c", command + " 2>&1"});
}

}  // namespace zemta::testing
