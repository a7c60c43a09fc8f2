#include "platform/posix_ring.h"

#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

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
            std::vector<bool> answered(batch.size(), false);
            if (started_) {
                runBatch(batch, answered);
            }
            // What the ring did not carry out, or turned away for want of waiting (as a kernel
            // may for a handle opened without blocking), is done with a plain call.
            for (std::size_t i = 0; i < batch.size(); ++i) {
                if (!answered[i] || batch[i].result == -EAGAIN) {
                    RunOne(batch[i]);
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

    // Hands the batch to the ring and takes back every answer of what it took. Should it not
    // take the whole batch, it is given up once its answers are in, and plain calls do the
    // rest from then on.
    void runBatch(std::span<Request> batch, std::vector<bool>& answered) {
        for (std::size_t i = 0; i < batch.size(); ++i) {
            io_uring_sqe* entry = io_uring_get_sqe(&ring_);
            if (entry == nullptr) {
                giveUp(); // cannot be while every batch is taken whole; nothing went out
                return;
            }
            prepare(entry, batch[i]);
            io_uring_sqe_set_data64(entry, i);
        }
        std::size_t taken = 0;
        while (taken < batch.size()) {
            const int submitted = io_uring_submit(&ring_);
            if (submitted == -EINTR || submitted == -EAGAIN) {
                continue;
            }
            if (submitted <= 0) {
                break;
            }
            taken += static_cast<std::size_t>(submitted);
        }
        for (std::size_t pending = taken; pending > 0;) {
            io_uring_cqe* done = nullptr;
            const int waited = io_uring_wait_cqe(&ring_, &done);
            if (waited == -EINTR || waited == -EAGAIN) {
                continue;
            }
            if (waited < 0) {
                // The system still holds requests that write into our buffers; going on could
                // let them land in memory used for something else.
                std::terminate();
            }
            const std::uint64_t index = io_uring_cqe_get_data64(done);
            batch[index].result = done->res;
            answered[index] = true;
            io_uring_cqe_seen(&ring_, done);
            --pending;
        }
        if (taken < batch.size()) {
            giveUp(); // the entries not taken go with the ring
        }
    }

    void giveUp() {
        io_uring_queue_exit(&ring_);
        started_ = false;
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
