#pragma once

#include "platform/native_file_services.h"
#include "support/file_faults.h"

#include <set>
#include <string>
#include <vector>

namespace bk::test {

// The program's file layer with a plan of faults in front of it: while a plan is attached, every
// call asks the plan before it reaches the disk, and everything runs on the calling thread, in
// the order the program makes its calls, so that the plan counts them as the program makes them.
// Without a plan every call goes straight through.
class FaultyFileServices;

class FaultyNumberedFiles final : public NumberedFiles {
  public:
    FaultyNumberedFiles(NumberedFiles& inner, std::string programFolder, FileFaults* const& plan)
        : inner_(inner), programFolder_(std::move(programFolder)), plan_(plan) {}

    bool openForReading(int number, std::string_view name) override {
        return open(number, name, [&] { return inner_.openForReading(number, name); });
    }
    void makeCurrent(int number) override {
        current_ = number;
        inner_.makeCurrent(number);
    }
    std::int64_t position() const override { return inner_.position(); }
    std::int64_t read(unsigned char* buffer, std::int64_t length) override {
        if (plan_ != nullptr && buffer != nullptr && length > 0 && open_.count(current_) != 0) {
            length = plan_->deliveredOf(plan_->pathOf(current_), length);
            if (length <= 0) {
                return 0;
            }
        }
        return inner_.read(buffer, length);
    }
    std::optional<FileIdentity> currentIdentity() const override {
        return inner_.currentIdentity();
    }
    bool seek(std::int64_t offset) override { return inner_.seek(offset); }
    void close(int number) override {
        open_.erase(number);
        inner_.close(number);
    }
    void letFoldersGo() override { inner_.letFoldersGo(); }
    void closeAll(std::span<const int> numbers) override {
        for (const int number : numbers) {
            close(number);
        }
    }
    const Counters& counters() const override { return inner_.counters(); }

    // One file after another: opened through the real layer, then read as the plan allows.
    void openAndRead(std::span<FirstBytes> batch) override {
        if (plan_ == nullptr) {
            inner_.openAndRead(batch);
            return;
        }
        const int before = current_;
        for (FirstBytes& file : batch) {
            const std::string name = std::string(file.folder).append("/").append(file.name);
            const int number = file.keepAs >= 0 ? file.keepAs : ScratchNumber;
            file.got = -1;
            FirstBytes opening = file;
            opening.length = 0;
            opening.keepAs = number;
            if (open(number, name, [&] {
                    inner_.openAndRead({&opening, 1});
                    return opening.got == 0;
                })) {
                makeCurrent(number);
                file.got = read(file.into, file.length);
            }
            if (file.keepAs < 0) {
                close(number);
            }
        }
        makeCurrent(before);
    }

  private:
    // The number a file of a batch is read under when it is not kept, out of the way of the
    // program's own.
    static constexpr int ScratchNumber = 1 << 12;

    template <typename Open> bool open(int number, std::string_view name, Open reallyOpen) {
        open_.erase(number);
        const std::string path = ResolvePath(programFolder_, name);
        if (plan_ != nullptr && plan_->refusesOpen(path)) {
            inner_.close(number);
            makeCurrent(-1);
            return false;
        }
        if (!reallyOpen()) {
            current_ = -1;
            return false;
        }
        current_ = number;
        open_.insert(number);
        if (plan_ != nullptr) {
            plan_->opened(number, path);
        }
        return true;
    }

    NumberedFiles& inner_;
    std::string programFolder_;
    FileFaults* const& plan_;
    std::set<int> open_;
    int current_ = -1;
};

class FaultyFolderScans final : public FolderScans {
  public:
    FaultyFolderScans(FolderScans& inner, std::string programFolder, FileFaults* const& plan)
        : inner_(inner), programFolder_(std::move(programFolder)), plan_(plan) {}

    bool begin(int number, std::string_view path, std::string_view pattern) override {
        std::string_view folder = path;
        while (!folder.empty() && folder.back() == '/') {
            folder.remove_suffix(1);
        }
        if (plan_ != nullptr &&
            plan_->strike(FileFaults::FolderRead, ResolvePath(programFolder_, folder)).fail) {
            // A pattern the scans refuse leaves the scan begun and empty, as a failed read does.
            inner_.begin(number, path, "?");
            return false;
        }
        return inner_.begin(number, path, pattern);
    }
    void makeCurrent(int number) override { inner_.makeCurrent(number); }
    EntryKind next() override { return inner_.next(); }
    const std::string& entryName() const override { return inner_.entryName(); }
    std::int64_t entrySize() const override { return inner_.entrySize(); }
    const FileIdentity& entryIdentity() const override { return inner_.entryIdentity(); }
    void beginWalk() override { inner_.beginWalk(); }
    void endWalk() override { inner_.endWalk(); }

  private:
    FolderScans& inner_;
    std::string programFolder_;
    FileFaults* const& plan_;
};

// The plan's Delete faults strike at the last moment of a removal, after every check but the
// final look at the file.
class FaultyRemoval final : public FileRemoval {
  public:
    FaultyRemoval(FileRemoval& inner, std::string programFolder, FileFaults* const& plan)
        : inner_(inner), programFolder_(std::move(programFolder)), plan_(plan) {}

    bool removeFound(const FoundFile& file) override {
        return plan_ == nullptr ? inner_.removeFound(file)
                                : RemoveFoundFile(programFolder_, file, lastMoment());
    }
    bool removeProvenCopy(const FoundFile& file, const std::vector<const FoundFile*>& copies,
                          ProofProgress& progress) override {
        return plan_ == nullptr
                   ? inner_.removeProvenCopy(file, copies, progress)
                   : RemoveProvenCopy(programFolder_, file, copies, progress, lastMoment());
    }

  private:
    LastMoment lastMoment() const {
        return [plan = plan_](const std::string& path) {
            return !plan->strike(FileFaults::Delete, path).fail;
        };
    }

    FileRemoval& inner_;
    std::string programFolder_;
    FileFaults* const& plan_;
};

struct FaultyParts {
    explicit FaultyParts(const std::string& programFolder)
        : real(programFolder), files(real.files, programFolder, plan),
          scans(real.scans, programFolder, plan), removal(real.removal, programFolder, plan) {}
    FileFaults* plan = nullptr;
    NativeFileServices real;
    FaultyNumberedFiles files;
    FaultyFolderScans scans;
    FaultyRemoval removal;
};

class FaultyFileServices : private FaultyParts, public FileServices {
  public:
    explicit FaultyFileServices(const std::string& programFolder)
        : FaultyParts(programFolder), FileServices{FaultyParts::files, FaultyParts::scans,
                                                   FaultyParts::removal} {}
    FaultyFileServices(const FaultyFileServices&) = delete;
    FaultyFileServices& operator=(const FaultyFileServices&) = delete;

    using FileServices::files;
    using FileServices::removal;
    using FileServices::scans;

    // Makes every call consult the plan first; null detaches it. The plan must outlive its
    // attachment.
    void attachFaults(FileFaults* faults) { plan = faults; }
    FileFaults* faults() const { return plan; }
};

} // namespace bk::test
