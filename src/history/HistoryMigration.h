#pragma once
// Moves a store of layout 1 to layout 2 inside a write transaction its
// caller holds (and commits): the old table of polls is renamed, the tables
// of layout 2 are made, every row is moved oldest first with its id and
// every column as it was (its values packed, or kept as they were when
// layout 1 refuses them), the day summaries are counted, the old table is
// dropped and the layout version raised. A kill at any moment before the
// commit leaves the store of layout 1 as it was.

#include <QSqlDatabase>
#include <QSqlError>
#include <cstdint>
#include <functional>

class THistoryMigration {
public:
    // After each row moved: rows moved so far, rows in all.
    using TProgress = std::function<void(std::int64_t moved, std::int64_t total)>;

    // False with error when a statement fails (the caller rolls back).
    static bool FromLayout1(const QSqlDatabase& db, const TProgress& progress, QSqlError& error);
};
