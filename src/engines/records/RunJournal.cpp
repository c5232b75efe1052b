#include "records/RunJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "base/FileError.h"

namespace lexmill {

RunJournal::RunJournal(std::string runsFolder, const std::string& workFolder, const RunTexts& texts)
    : runsFolder_(std::move(runsFolder)), workFolder_(workFolder), texts_(texts) {}

void RunJournal::write(const std::string& text) {
    const std::string path = runsFolder_ + "/" + record_.id;
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd_.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError::fromErrno(path, "cannot write", errno);
        done += static_cast<std::size_t>(n);
    }
}

void RunJournal::makeDurable() {
    if (!started()) return;
    if (::fdatasync(fd_.get()) != 0)
        throw FileError::fromErrno(runsFolder_ + "/" + record_.id, "cannot write", errno);
    if (folderDurable_) return;
    // Its name on disk too, before the first rename.
    UniqueFd folder(::open(runsFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::fsync(folder.get()) != 0)
        throw FileError::fromErrno(runsFolder_, "cannot write", errno);
    folderDurable_ = true;
}

void RunJournal::add(const std::vector<RecordedFile>& files, const std::vector<std::size_t>& tags) {
    if (files.empty()) return;
    std::string text;
    if (!started()) {
        // Made only now: most runs change nothing and need no record.
        record_ = newRunRecord(workFolder_, texts_);
        record_.finished = false;
        makeRunsFolder(runsFolder_);
        const std::string path = runsFolder_ + "/" + record_.id;
        fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600));
        if (!fd_) throw FileError::fromErrno(path, "cannot write", errno);
        text = recordText(record_);
    }
    for (const auto& f : files) text += fileEntryText(f);
    write(text);
    if (record_.files.empty()) pruneRunRecords(runsFolder_);
    record_.files.insert(record_.files.end(), files.begin(), files.end());
    tags_.insert(tags_.end(), tags.begin(), tags.end());
    renamed_.resize(tags_.size());
}

void RunJournal::renamed(std::size_t tag) {
    // Tags grow with the order files are added: the newest are searched first.
    for (std::size_t i = tags_.size(); i-- > 0;)
        if (tags_[i] == tag) {
            renamed_[i] = true;
            return;
        }
}

std::string RunJournal::finish() {
    if (!started()) return {};
    RunRecord done =
        newRunRecord(record_.folder, {record_.searchText, record_.replaceText, record_.regex});
    done.id = record_.id;
    for (std::size_t i = 0; i < record_.files.size(); ++i)
        if (renamed_[i]) done.files.push_back(record_.files[i]);
    fd_.reset();
    if (done.files.empty()) {  // nothing changed after all: nothing to undo
        ::unlink((runsFolder_ + "/" + done.id).c_str());
        return {};
    }
    saveRunRecord(runsFolder_, done);
    return done.id;
}

}  // namespace lexmill
