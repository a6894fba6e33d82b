#pragma once
// Times of the history: stored as milliseconds since 1970-01-01 00:00 UTC,
// written as ISO 8601 UTC in exports and shown in local time on screen.

#include <QString>
#include <QTimeZone>
#include <cstdint>
#include <string>

// Now, in milliseconds since the epoch (UTC).
std::int64_t CurrentUtcMs();

// "2024-05-01T03:12:44Z" (whole seconds, UTC).
std::string FormatUtcIso(std::int64_t utcMs);

// "2024-05-01 05:12:44" in the local time zone, as lists and status lines show it.
QString FormatLocalTime(std::int64_t utcMs);
// The same in the given zone (a report written for another zone, a test).
QString FormatTimeIn(std::int64_t utcMs, const QTimeZone& zone);

// Reads an ISO 8601 date ("2024-05-01") or date and time
// ("2024-05-01T03:00", "2024-05-01T03:00:00Z", "2024-05-01T05:00:00+02:00").
// A time without a zone is taken as UTC, the zone of the stored times.
// False for anything else.
bool ParseIsoTime(const std::string& text, std::int64_t& utcMs);
