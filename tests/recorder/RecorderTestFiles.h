#pragma once
// What the recorder tests share: a folder of their own and the polls a store holds.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QString>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "history/HistoryStore.h"

// A fresh folder under /tmp, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir()
    {
        char pattern[] = "/tmp/quillmont-recorder-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp");
        fPath = pattern;
    }
    ~TTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(fPath, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return fPath; }
    std::string operator/(const std::string& name) const { return (fPath / name).string(); }

private:
    std::filesystem::path fPath;
};

// Layout 1 of the store does not keep who made a poll; later ones do.
inline bool StoreKeepsOrigin()
{
    return THistoryStore::CurrentSchemaVersion >= 2;
}

// Every poll in the store at path, oldest first (none when it cannot be opened).
inline std::vector<THistoryRecord> StoredPolls(const std::string& path)
{
    std::vector<THistoryRecord> records;
    if (!std::filesystem::exists(path))
        return records;
    THistoryStore store;
    THistoryStoreOptions options;
    options.ReadOnly = true;
    if (!store.Open(QString::fromStdString(path), options))
        return records;
    store.ForEachRecord(
        {}, [&](const THistoryRecord& record) { records.push_back(record); },
        [](std::int64_t id, std::int64_t, const std::string& why) { ADD_FAILURE() << "record " << id << ": " << why; });
    return records;
}
