// The floor of a whole run: a program that writes the bytes one run of zemta
// writes, standard output's and then standard error's, with one write call
// each (more only if the system takes less), and does nothing else. Its
// bytes come from the built zemta (embed_run_output.cmake), so
//
//   process_ratio 41 zemta bench/process_floor_999 999
//
// tells how far a whole run of zemta is from the cost of its output alone.
// The argument is ignored.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>

extern const unsigned char run_stdout[];
extern const std::size_t run_stdout_size;
extern const unsigned char run_stderr[];
extern const std::size_t run_stderr_size;

namespace {

bool write_all(int fd, const unsigned char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, bytes, size);
    if (written < 0) {
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

int main() {
  const bool out = write_all(STDOUT_FILENO, run_stdout, run_stdout_size);
  const bool err = write_all(STDERR_FILENO, run_stderr, run_stderr_size);
  return out && err ? EXIT_SUCCESS : EXIT_FAILURE;
}
