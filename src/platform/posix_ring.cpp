#include "platform/posix_ring.h"

#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#if BK_WITH_URING
#include <liburing.h>
#endif

namespace bk::posix {

namespace {

std::int64_t ResultOf(std::int64_t returned) {
    return returned < 0 ? -errno : returned;
}

void RunOne(Request& request) {
    switch (request.kind) {
    case Request::Open:
        request.result = ResultOf(::openat(request.handle, request.name, ReadingFlags));
        break;
    case Request::Read: {
        ssize_t got = 0;
        do {
            got = ::read(request.handle, request.into, request.length);
        } while (got < 0 && errno == EINTR);
        request.result = ResultOf(got);
        break;
    }
    case Request::Close:
        request.result = ResultOf(::close(request.handle));
        break;
    case Request::Nothing:
        request.result = 0;
        break;
    }
}

} // namespace

#if BK_WITH_URING

class Requests::Ring {
  public:
    // Requests in flight at once; each batch of this many costs one system call.
    static constexpr unsigned Depth = 128;

    static std::unique_ptr<Ring> Start() {
        auto ring = std::make_unique<Ring>();
        if (io_uring_queue_init(Depth, &ring->ring_, 0) != 0) {
            return nullptr;
        }
        ring->started_ = true;
        return ring->offers(IORING_OP_OPENAT) && ring->offers(IORING_OP_READ) &&
                       ring->offers(IORING_OP_CLOSE)
                   ? std::move(ring)
                   : nullptr;
    }
    Ring() = default;
    ~Ring() {
        if (started_) {
            io_uring_queue_exit(&ring_);
        }
    }
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;

    void run(std::span<Request> requests) {
        for (std::size_t first = 0; first < requests.size(); first += Depth) {
            const std::span<Request> batch =
                requests.subspan(first, std::min<std::size_t>(Depth, requests.size() - first));
            if (!started_ || !runBatch(batch)) {
                for (Request& request : batch) {
                    RunOne(request);
                }
            }
        }
    }

  private:
    bool offers(int operation) {
        io_uring_probe* probe = io_uring_get_probe_ring(&ring_);
        const bool offered = probe != nullptr && io_uring_opcode_supported(probe, operation) != 0;
        io_uring_free_probe(probe);
        return offered;
    }

    // False when the ring took nothing: it is then given up, and the calls are made one by one.
    bool runBatch(std::span<Request> batch) {
        for (std::size_t i = 0; i < batch.size(); ++i) {
            io_uring_sqe* entry = io_uring_get_sqe(&ring_);
            prepare(entry, batch[i]);
            io_uring_sqe_set_data64(entry, i);
        }
        std::size_t pending = batch.size();
        int submitted = 0;
        do {
            submitted = io_uring_submit_and_wait(&ring_, static_cast<unsigned>(pending));
        } while (submitted == -EINTR);
        if (submitted < 0) {
            io_uring_queue_exit(&ring_);
            started_ = false;
            return false;
        }
        while (pending > 0) {
            io_uring_cqe* done = nullptr;
            const int waited = io_uring_wait_cqe(&ring_, &done);
            if (waited == -EINTR) {
                continue;
            }
            if (waited < 0) {
                break; // cannot happen once submitted; what did not come back stays failed
            }
            batch[io_uring_cqe_get_data64(done)].result = done->res;
            io_uring_cqe_seen(&ring_, done);
            --pending;
        }
        return true;
    }

    static void prepare(io_uring_sqe* entry, const Request& request) {
        switch (request.kind) {
        case Request::Open:
            io_uring_prep_openat(entry, request.handle, request.name, ReadingFlags, 0);
            break;
        case Request::Read:
            // At the handle's offset, which moves on as with read().
            io_uring_prep_read(entry, request.handle, request.into, request.length,
                               static_cast<std::uint64_t>(-1));
            break;
        case Request::Close:
            io_uring_prep_close(entry, request.handle);
            break;
        case Request::Nothing:
            io_uring_prep_nop(entry);
            break;
        }
    }

    io_uring ring_{};
    bool started_ = false;
};

Requests::Requests() : ring_(Ring::Start()) {}

void Requests::run(std::span<Request> requests) {
    for (Request& request : requests) {
        request.result = -ECANCELED;
    }
    if (ring_ != nullptr) {
        ring_->run(requests);
        return;
    }
    for (Request& request : requests) {
        RunOne(request);
    }
}

#else

class Requests::Ring {};

Requests::Requests() = default;

void Requests::run(std::span<Request> requests) {
    for (Request& request : requests) {
        RunOne(request);
    }
}

#endif

Requests::~Requests() = default;

} // namespace bk::posix
