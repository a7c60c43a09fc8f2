#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace bk::posix {

// One request to the system: open name inside the folder handle, read up to length bytes of a
// handle at its offset, or close a handle. Its result is what the same system call returns:
// a handle, a count of bytes, 0, or a negative error number. A request for nothing comes back
// with 0 at once.
struct Request {
    enum Kind { Open, Read, Close, Nothing };
    Kind kind = Open;
    int handle = -1; // the folder for Open, else the file
    const char* name = nullptr;
    unsigned char* into = nullptr;
    std::uint32_t length = 0;
    std::int64_t result = 0;
};

// Requests carried out in batches through the system's submission ring (io_uring), each batch
// with one system call where otherwise every request takes one. Where the system has no such
// ring or refuses it, the requests are carried out one call at a time; the results are the same.
class Requests {
  public:
    Requests();
    ~Requests();
    Requests(const Requests&) = delete;
    Requests& operator=(const Requests&) = delete;

    // Carries out every request; they do not depend on each other.
    void run(std::span<Request> requests);

  private:
    class Ring;
    std::unique_ptr<Ring> ring_;
};

} // namespace bk::posix
