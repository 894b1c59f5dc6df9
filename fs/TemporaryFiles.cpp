#include "fs/TemporaryFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <mutex>
#include <utility>

namespace {

struct Entry {
    bool kept = false;
    std::function<void()> closeFirst;
};

struct Registry {
    std::mutex mutex;
    QHash<QString, Entry> files;
};

// Never destroyed: the program may end from a destructor of static lifetime.
Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

} // namespace

namespace TemporaryFiles {

void add(const QString& path, std::function<void()> closeFirst) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.files.insert(path, Entry{false, std::move(closeFirst)});
}

void closed(const QString& path) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto it = r.files.find(path);
    if (it != r.files.end())
        it->closeFirst = nullptr;
}

void keep(const QString& path, bool kept) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto it = r.files.find(path);
    if (it != r.files.end())
        it->kept = kept;
}

void forget(const QString& path) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.files.remove(path);
}

bool isRegistered(const QString& path) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    return r.files.contains(path);
}

bool isKept(const QString& path) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto it = r.files.constFind(path);
    return it != r.files.constEnd() && it->kept;
}

int removeAllNotKept() {
    // Taken out first: a closer may end up calling back in here.
    QHash<QString, Entry> files;
    {
        Registry& r = registry();
        const std::lock_guard lock(r.mutex);
        files.swap(r.files);
    }
    int removed = 0;
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it->kept)
            continue;
        if (it->closeFirst)
            it->closeFirst();
        // A working folder goes with whatever it holds.
        const bool gone = QFileInfo(it.key()).isDir() ? QDir(it.key()).removeRecursively() : QFile::remove(it.key());
        removed += gone ? 1 : 0;
    }
    return removed;
}

} // namespace TemporaryFiles
