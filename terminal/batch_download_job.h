// batch_download_job.h: a batch build file (*.cmb) sent to one terminal record by
// record, through one private temporary file per job. Worker thread of the
// connection; what it logs goes through its JobHost.
#pragma once

#include "convert/scramble.h"
#include "link/job_host.h"
#include "link/link_status.h"

#include <cstddef>
#include <filesystem>
#include <string>

class TerminalLink;

struct BatchDownloadInput {
    std::filesystem::path file{};              // the batch build file
    std::string portName{};                    // the connection's port: names the temporary file
    UnscrambleKey key = kDefaultUnscrambleKey; // for a scrambled file
};

struct BatchDownloadResult {
    bool opened = false;                // false: the file could not be read and nothing was sent
    std::size_t records = 0;            // records of the file, a damaged one counted
    std::size_t sent = 0;               // records the terminal took
    std::size_t attempted = 0;          // records whose transfer was tried
    LinkStatus status = LinkStatus::Ok; // of the last record tried
    std::string failedPath{};           // the terminal path of the record that failed
    std::size_t damagedRecord = 0;      // 1-based number of a damaged record (nothing sent from
                                        // it on); 0 when every record was whole
};

// Sends the records in order, replacing existing terminal files without asking,
// and stops at the first record whose transfer fails. Logs one line per record
// tried, and one for each record after a failed one. The temporary file is gone
// when it returns; the link's cancel is cleared.
BatchDownloadResult RunBatchDownloadJob(TerminalLink& link, const BatchDownloadInput& input,
                                        JobHost& host);
