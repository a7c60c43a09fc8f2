// Checks BlockFingerprint on random buffers against the system's md5sum, a second MD5 that has
// nothing in common with ours, and against our streaming Md5 fed the same bytes in pieces of
// random sizes (including empty ones), so that every way of crossing the 64-byte blocks and the
// padding boundaries is tried.
//
// md5sum runs for every input (about a hundred a second on a busy machine). To run faster, at the
// price of a weaker oracle, set BK_FUZZ_MD5SUM_EVERY=N to ask md5sum only for every N-th input.
//
// Input: the buffer, any bytes.

#include "reference/block_fingerprint.h"
#include "reference/md5.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what, std::size_t size) {
    std::fprintf(stderr, "fingerprint_fuzzer: %s (buffer of %zu bytes)\n", what, size);
    std::abort();
}

[[noreturn]] void Broken(const char* what) {
    std::perror(what);
    std::abort();
}

std::string Hex(const bk::Md5::Digest& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

// One scratch file for the whole run, removed from its folder at once so that nothing is left
// behind even when the fuzzer stops at a crash; md5sum reaches it through the inherited handle.
int ScratchFile() {
    static const int fd = [] {
        const char* folder = std::getenv("TMPDIR");
        std::string path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
                           "/bk_fingerprint_fuzzer.XXXXXX";
        const int opened = mkostemp(path.data(), O_CLOEXEC);
        if (opened < 0) {
            Broken("mkstemp");
        }
        unlink(path.c_str());
        return opened;
    }();
    return fd;
}

std::string SystemMd5(const std::uint8_t* data, std::size_t size) {
    const int fd = ScratchFile();
    if (ftruncate(fd, 0) != 0) {
        Broken("ftruncate");
    }
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        if (n <= 0) {
            Broken("pwrite");
        }
        written += static_cast<std::size_t>(n);
    }
    // md5sum is started directly, without a shell, with the scratch file as its input.
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        Broken("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    char program[] = "md5sum";
    char* arguments[] = {program, nullptr};
    // The duplicated handle shares its position with ours: start md5sum at the beginning.
    if (lseek(fd, 0, SEEK_SET) != 0) {
        Broken("lseek");
    }
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        errno = spawned;
        Broken("posix_spawnp md5sum");
    }
    std::string line;
    char buffer[128];
    for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno != EINTR) {
            Broken("read from md5sum");
        }
        if (n > 0) {
            line.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(output[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            Broken("waitpid");
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || line.size() < 32) {
        std::fprintf(stderr, "fingerprint_fuzzer: md5sum failed (status %d)\n", status);
        std::abort();
    }
    return line.substr(0, 32);
}

// Pieces of 0 to 130 bytes from a small generator seeded by the input, so a crash reproduces.
bk::Md5::Digest DigestInPieces(const std::uint8_t* data, std::size_t size) {
    std::uint64_t state = 0x9E3779B97F4A7C15u ^ size;
    for (std::size_t i = 0; i < size && i < 16; ++i) {
        state = state * 31 + data[i];
    }
    const auto nextRandom = [&state]() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    bk::Md5 md5;
    for (std::size_t offset = 0; offset < size;) {
        const std::size_t piece = std::min<std::size_t>(nextRandom() % 131, size - offset);
        md5.update(piece == 0 ? nullptr : data + offset, piece);
        offset += piece;
    }
    return md5.finish();
}

std::size_t Md5sumEvery() {
    static const std::size_t every = [] {
        const char* text = std::getenv("BK_FUZZ_MD5SUM_EVERY");
        const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 1;
        return value > 0 ? static_cast<std::size_t>(value) : std::size_t{1};
    }();
    return every;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::size_t inputs = 0;
    const std::string fingerprint = bk::BlockFingerprint(data, size);

    if (inputs++ % Md5sumEvery() == 0 && fingerprint != SystemMd5(data, size)) {
        Fail("BlockFingerprint differs from md5sum", size);
    }
    if (fingerprint != Hex(DigestInPieces(data, size))) {
        Fail("BlockFingerprint differs from Md5 fed in pieces", size);
    }

    // After finish the same object starts a new, empty message: nothing of this one may remain.
    bk::Md5 md5;
    md5.update(data, size);
    md5.update(data, size);
    md5.finish();
    md5.update(data, size);
    if (Hex(md5.finish()) != fingerprint) {
        Fail("Md5 after finish still remembers the previous message", size);
    }
    if (bk::BlockFingerprint(nullptr, 0) != "d41d8cd98f00b204e9800998ecf8427e") {
        Fail("the fingerprint of nothing is wrong", size);
    }
    return 0;
}
