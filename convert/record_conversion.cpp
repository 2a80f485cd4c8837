#include "convert/record_conversion.h"

#include "convert/file_bytes.h"
#include "link/file_open.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Converted bytes collect in a buffer of this size before they go to the file.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;
// Source bytes are read in pieces of this size; a record longer than that grows it.
constexpr std::size_t kReadChunk = std::size_t{256} << 10;
// Delimited to delimited with at most this many fields goes eight bytes at a step,
// with room for the whole converted record reserved at once.
constexpr std::uint32_t kWordScanFieldLimit = 4096;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Writes chunks to a file on a thread of its own, one chunk at a time, so that
// the next chunk is converted while the last one is written. Created by and used
// from the converting thread only; the destructor waits for the last write.
class ChunkWriter {
public:
    explicit ChunkWriter(std::FILE* file) : file(file), thread([this] { Run(); }) {}
    ~ChunkWriter()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        thread.join();
    }
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // Starts writing bytes once the chunk before has been written. bytes must stay
    // untouched until the next Write or Wait returns.
    void Write(std::string_view bytes)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return pending.data() == nullptr; });
        pending = bytes;
        changed.notify_all();
    }
    // Returns once every chunk has been written; false after any write error.
    bool Wait()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return pending.data() == nullptr; });
        return !failed;
    }
    bool Failed() const { return failed.load(std::memory_order_relaxed); }

private:
    void Run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || pending.data() != nullptr; });
            if (pending.data() == nullptr)
                return;
            const std::string_view bytes = pending;
            lock.unlock();
            const bool written =
                failed || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
            lock.lock();
            if (!written)
                failed = true;
            pending = {};
            changed.notify_all();
        }
    }

    std::FILE* const file;
    std::mutex mutex;
    std::condition_variable changed;
    std::string_view pending; // guarded by mutex; null data when there is none
    bool stopping = false;    // guarded by mutex
    std::atomic<bool> failed{false};
    std::thread thread; // last: starts once everything above exists
};

// Collects converted bytes. With a file, passes them on a chunk at a time and
// remembers the first write error; without one, keeps them all. A file output
// that fills a first chunk goes on writing on a ChunkWriter's thread.
class RecordSink {
public:
    explicit RecordSink(std::FILE* file = nullptr) : file(file) { current.Allocate(kWriteChunk); }

    // At least n writable bytes at the returned position; hand the end of what
    // was written to Commit.
    char* Reserve(std::size_t n)
    {
        if (current.capacity - used < n)
            MakeRoom(n);
        return current.bytes.get() + used;
    }
    void Commit(const char* end) { used = static_cast<std::size_t>(end - current.bytes.get()); }

    void Put(std::string_view text)
    {
        while (!text.empty()) {
            const std::size_t now = std::min(text.size(), kWriteChunk);
            std::memcpy(Reserve(now), text.data(), now);
            used += now;
            text.remove_prefix(now);
        }
    }
    void Put(char byte) { *Reserve(1) = byte, ++used; }
    void PutCrLf()
    {
        char* at = Reserve(2);
        at[0] = '\r';
        at[1] = '\n';
        used += 2;
    }
    void PutFill(std::size_t count, char byte)
    {
        while (count > 0) {
            const std::size_t now = std::min(count, kWriteChunk);
            std::memset(Reserve(now), byte, now);
            used += now;
            count -= now;
        }
    }

    // Writes out what is collected and waits until it is written. False after any
    // write error.
    bool Flush()
    {
        if (!file)
            return true;
        bool written = !failed;
        if (writer) {
            written = writer->Wait() && written;
            if (written && used > 0)
                written = std::fwrite(current.bytes.get(), 1, used, file) == used;
        } else if (written && used > 0) {
            written = std::fwrite(current.bytes.get(), 1, used, file) == used;
        }
        used = 0;
        failed = !written;
        return written;
    }
    bool Failed() const { return failed || (writer && writer->Failed()); }
    std::string Take() const { return std::string(current.bytes.get(), used); }

private:
    struct Buffer {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0;
        void Allocate(std::size_t size)
        {
            bytes.reset(new char[size]);
            capacity = size;
        }
    };

    void MakeRoom(std::size_t n)
    {
        if (file && used > 0) {
            HandOver();
            if (current.capacity >= n)
                return;
        }
        const std::size_t grown = std::max(current.capacity * 2, used + n);
        Buffer larger;
        larger.Allocate(grown);
        std::memcpy(larger.bytes.get(), current.bytes.get(), used);
        current = std::move(larger);
    }

    // Passes the collected bytes to the writer thread and goes on in the other
    // buffer.
    void HandOver()
    {
        if (!writer && !writeHere) {
            try {
                spare.Allocate(current.capacity);
                writer = std::make_unique<ChunkWriter>(file);
            } catch (const std::system_error&) {
                writeHere = true; // no thread to be had: write on this one
            }
        }
        if (!writer) {
            if (!failed && std::fwrite(current.bytes.get(), 1, used, file) != used)
                failed = true;
            used = 0;
            return;
        }
        writer->Write(std::string_view(current.bytes.get(), used));
        std::swap(current, spare); // Write returned, so spare is no longer being written
        used = 0;
    }

    std::FILE* file;
    Buffer current;
    Buffer spare;
    std::size_t used = 0;
    bool failed = false;
    bool writeHere = false;
    std::unique_ptr<ChunkWriter> writer; // last: joined before the buffers go
};

// A width from a list; positions the list does not reach, and negative widths,
// count as 0.
std::size_t WidthAt(const std::vector<std::int32_t>& widths, std::size_t i)
{
    return i < widths.size() && widths[i] > 0 ? static_cast<std::size_t>(widths[i]) : 0;
}

// The high bit of every byte of word that equals the byte repeated in pattern.
std::uint64_t MatchingBytes(std::uint64_t word, std::uint64_t pattern)
{
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = word ^ pattern;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// The position in its word of the first byte flagged in mask (not 0).
unsigned FirstFlagged(std::uint64_t mask)
{
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<unsigned>(std::countr_zero(mask)) / 8;
    else
        return static_cast<unsigned>(std::countl_zero(mask)) / 8;
}

std::uint64_t ClearFirstFlagged(std::uint64_t mask)
{
    if constexpr (std::endian::native == std::endian::little)
        return mask & (mask - 1);
    else
        return mask & ~(std::uint64_t{0x80} << (56 - 8 * FirstFlagged(mask)));
}

// Reads separator-delimited fields of one record, in order.
class DelimitedReader {
public:
    DelimitedReader(std::string_view record, char separator)
        : rest(record), separator(separator), textLeft(!record.empty())
    {
    }
    // The next field; empty once nothing is left.
    std::string_view Next()
    {
        if (!textLeft)
            return {};
        const void* hit = std::memchr(rest.data(), separator, rest.size());
        if (!hit) {
            textLeft = false;
            return rest;
        }
        const auto length = static_cast<std::size_t>(static_cast<const char*>(hit) - rest.data());
        const std::string_view field = rest.substr(0, length);
        rest.remove_prefix(length + 1);
        textLeft = !rest.empty();
        return field;
    }

private:
    std::string_view rest;
    char separator;
    bool textLeft;
};

void WriteFixed(RecordSink& sink, std::string_view field, std::size_t width)
{
    if (field.size() >= width) {
        sink.Put(field.substr(0, width));
    } else {
        sink.Put(field);
        sink.PutFill(width - field.size(), ' ');
    }
}

// DelimitedToDelimited for at most kWordScanFieldLimit fields, eight bytes at a
// step: the converted record is the source record up to its ConvertField-th
// separator (or its end) with the separators before that one replaced, then one
// converted separator for each field it lacks.
void DelimitedToDelimitedByWords(std::string_view record, const ConvertSettings& s,
                                 RecordSink& sink)
{
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
    const std::uint32_t count = s.ConvertField;
    if (count == 0)
        return;
    const auto separator = static_cast<char>(s.OriSeparator);
    const auto converted = static_cast<char>(s.ConvSeparator);
    const std::uint64_t separators = kEveryByte * s.OriSeparator;
    // A separator byte xor this gives the converted separator.
    const std::uint64_t swap = kEveryByte * (s.OriSeparator ^ s.ConvSeparator);
    const char* in = record.data();
    const std::size_t size = record.size();
    char* const out = sink.Reserve(size + count);

    std::uint32_t seen = 0; // separators so far
    std::size_t kept = size;
    std::size_t i = 0;
    for (; i + kWord <= size; i += kWord) {
        std::uint64_t word;
        std::memcpy(&word, in + i, kWord);
        std::uint64_t cuts = MatchingBytes(word, separators);
        // One per flagged byte, summed into the top byte (std::popcount is a
        // library call on baseline x86-64).
        const auto found = static_cast<std::uint32_t>(((cuts >> 7) * kEveryByte) >> 56);
        if (seen + found < count) {
            word ^= ((cuts >> 7) * 0xFF) & swap;
            std::memcpy(out + i, &word, kWord);
            seen += found;
            continue;
        }
        // The last field ends in this word.
        std::memcpy(out + i, &word, kWord);
        for (;; cuts = ClearFirstFlagged(cuts)) {
            const std::size_t at = i + FirstFlagged(cuts);
            if (++seen == count) {
                kept = at;
                break;
            }
            out[at] = converted;
        }
        break;
    }
    for (; kept == size && i < size; ++i) {
        char c = in[i];
        if (c == separator) {
            if (++seen == count) {
                kept = i;
                break;
            }
            c = converted;
        }
        out[i] = c;
    }
    char* end = out + kept;
    if (seen < count)
        end = std::fill_n(end, count - 1 - seen, converted);
    sink.Commit(end);
}

void DelimitedToDelimited(std::string_view record, const ConvertSettings& s, RecordSink& sink)
{
    if (s.ConvertField <= kWordScanFieldLimit) {
        DelimitedToDelimitedByWords(record, s, sink);
        return;
    }
    DelimitedReader reader(record, static_cast<char>(s.OriSeparator));
    for (std::uint32_t i = 0; i < s.ConvertField; ++i) {
        if (i > 0)
            sink.Put(static_cast<char>(s.ConvSeparator));
        sink.Put(reader.Next());
    }
}

void DelimitedToFixed(std::string_view record, const ConvertSettings& s, RecordSink& sink)
{
    DelimitedReader reader(record, static_cast<char>(s.OriSeparator));
    // An empty field, present or not, becomes width spaces.
    for (std::uint32_t i = 0; i < s.ConvertField; ++i)
        WriteFixed(sink, reader.Next(), WidthAt(s.ConvFieldLen, i));
}

void FixedToDelimited(std::string_view record, const ConvertSettings& s, RecordSink& sink)
{
    std::size_t position = 0;
    auto left = static_cast<std::int64_t>(record.size()); // may fall below 0
    for (std::uint32_t i = 0; i < s.ConvertField; ++i) {
        if (i > 0)
            sink.Put(static_cast<char>(s.ConvSeparator));
        if (i >= s.OriFieldLen.size() || left <= 0)
            continue;
        const std::size_t width = WidthAt(s.OriFieldLen, i);
        if (static_cast<std::int64_t>(width) <= left) {
            std::string_view field = record.substr(position, width);
            const std::size_t kept = field.find_last_not_of(' ');
            field = kept == std::string_view::npos ? std::string_view{} : field.substr(0, kept + 1);
            sink.Put(field);
        } else {
            // The record ends inside this field: what is left goes out untrimmed.
            sink.Put(record.substr(position));
        }
        position += width;
        left -= static_cast<std::int64_t>(width);
    }
}

void FixedToFixed(std::string_view record, const ConvertSettings& s, RecordSink& sink)
{
    std::size_t position = 0;
    for (std::uint32_t i = 0; i < s.ConvertField; ++i) {
        const std::size_t left = record.size() - position;
        const std::size_t width = left > 0 ? WidthAt(s.OriFieldLen, i) : 0;
        const std::size_t taken = std::min(width, left);
        WriteFixed(sink, record.substr(position, taken), WidthAt(s.ConvFieldLen, i));
        position += taken;
    }
}

using RecordConverter = void (*)(std::string_view, const ConvertSettings&, RecordSink&);

RecordConverter ConverterFor(ConversionMode mode)
{
    switch (mode) {
    case ConversionMode::DelimitedToDelimited: return DelimitedToDelimited;
    case ConversionMode::DelimitedToFixed: return DelimitedToFixed;
    case ConversionMode::FixedToDelimited: return FixedToDelimited;
    case ConversionMode::FixedToFixed: return FixedToFixed;
    }
    return DelimitedToDelimited;
}

// The offset of the first LF at or after from, or npos.
std::size_t FindLineEnd(std::string_view data, std::size_t from)
{
    if (from >= data.size())
        return std::string_view::npos;
    const void* hit = std::memchr(data.data() + from, '\n', data.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data.data())
               : std::string_view::npos;
}

// Writes one converted line per record and counts the records.
struct RecordWriter {
    const ConvertSettings& settings;
    RecordConverter convert;
    RecordSink& sink;
    std::uint64_t records = 0;
    bool sourceEmpty = true;

    void Write(std::string_view record)
    {
        convert(record, settings, sink);
        sink.PutCrLf();
        ++records;
    }
};

// Converts every record of data that a line end closes (LF, or CR LF whose CR is
// no part of the record); returns the offset of the first byte not used (the
// start of an unfinished record). At the end of the source (last) the bytes left
// are one more record, less a CR that ends them; a lone CR is no record. Stops
// early on a write error.
std::size_t ConvertRecordsOf(std::string_view data, bool last, RecordWriter& writer)
{
    std::size_t start = 0;
    for (std::size_t lf = FindLineEnd(data, start); lf != std::string_view::npos;
         lf = FindLineEnd(data, start)) {
        const std::size_t end = lf > start && data[lf - 1] == '\r' ? lf - 1 : lf;
        writer.Write(data.substr(start, end - start));
        if (writer.sink.Failed())
            return start;
        start = lf + 1;
    }
    if (last && start < data.size()) {
        std::string_view rest = data.substr(start);
        if (rest.back() == '\r')
            rest.remove_suffix(1);
        if (!rest.empty())
            writer.Write(rest);
        start = data.size();
    }
    return start;
}

// Reads in from its current position to the end and converts it piece by piece;
// an unfinished record at the end of a piece waits for the next one.
ConvertError ConvertStream(std::FILE* in, RecordWriter& writer)
{
    std::size_t capacity = kReadChunk;
    std::unique_ptr<char[]> buffer(new char[capacity]);
    std::size_t filled = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.get() + filled, 1, capacity - filled, in);
        if (got == 0)
            break;
        writer.sourceEmpty = false;
        filled += got;
        const std::size_t used =
            ConvertRecordsOf(std::string_view(buffer.get(), filled), false, writer);
        if (writer.sink.Failed())
            return ConvertError::WriteFailed;
        std::memmove(buffer.get(), buffer.get() + used, filled - used);
        filled -= used;
        if (filled == capacity) {
            // One record fills the whole buffer: make room for the rest of it.
            std::unique_ptr<char[]> larger(new char[capacity * 2]);
            std::memcpy(larger.get(), buffer.get(), filled);
            buffer = std::move(larger);
            capacity *= 2;
        }
    }
    if (std::ferror(in))
        return ConvertError::SourceUnreadable;
    ConvertRecordsOf(std::string_view(buffer.get(), filled), true, writer);
    return writer.sink.Flush() ? ConvertError::None : ConvertError::WriteFailed;
}

void SetError(ConvertError* error, ConvertError value)
{
    if (error)
        *error = value;
}

} // namespace

ConversionMode ChooseConversionMode(const ConvertSettings& settings)
{
    if (settings.OriSeparator != 0)
        return settings.ConvSeparator != 0 ? ConversionMode::DelimitedToDelimited
                                           : ConversionMode::DelimitedToFixed;
    return settings.ConvSeparator != 0 ? ConversionMode::FixedToDelimited
                                       : ConversionMode::FixedToFixed;
}

std::optional<std::string> ConvertRecords(std::string_view data, const ConvertSettings& settings)
{
    try {
        RecordSink sink;
        RecordWriter writer{settings, ConverterFor(ChooseConversionMode(settings)), sink};
        ConvertRecordsOf(data, true, writer);
        return sink.Take();
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

std::filesystem::path DefaultConvertedPath(const std::filesystem::path& source)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(source, ec);
    if (ec)
        full = source;
    return full.parent_path() / kConvertedFileName;
}

std::filesystem::path ConvertFile(const std::filesystem::path& source,
                                  const ConvertSettings& settings,
                                  const std::filesystem::path& output, ConvertError* error)
{
    std::error_code ec;
    FileHandle in{std::filesystem::is_directory(source, ec) ? nullptr : OpenFile(source, "rb")};
    if (!in) {
        SetError(error, ConvertError::SourceUnreadable);
        return {};
    }
    const std::filesystem::path target = output.empty() ? DefaultConvertedPath(source) : output;

    // Converting a file onto itself: it must be read whole before it is truncated.
    std::string whole;
    const bool sameFile = std::filesystem::equivalent(source, target, ec);
    if (sameFile) {
        switch (ReadFileBytes(source, whole)) {
        case FileResult::Ok: break;
        case FileResult::OutOfMemory: SetError(error, ConvertError::OutOfMemory); return {};
        case FileResult::CannotOpen:
        case FileResult::ReadFailed: SetError(error, ConvertError::SourceUnreadable); return {};
        }
    }

    FileHandle out{OpenFile(target, "wb")};
    if (!out) {
        SetError(error, ConvertError::OutputNotCreated);
        return {};
    }
    // The sink buffers already; a second buffer in the file layer would only copy.
    std::setvbuf(out.get(), nullptr, _IONBF, 0);

    ConvertError failure = ConvertError::None;
    try {
        RecordSink sink(out.get());
        RecordWriter writer{settings, ConverterFor(ChooseConversionMode(settings)), sink};
        if (sameFile) {
            writer.sourceEmpty = whole.empty();
            ConvertRecordsOf(whole, true, writer);
            failure = sink.Flush() ? ConvertError::None : ConvertError::WriteFailed;
        } else {
            failure = ConvertStream(in.get(), writer);
        }
        // Bytes but not one record: an empty copy would pass for a converted file.
        if (failure == ConvertError::None && writer.records == 0 && !writer.sourceEmpty)
            failure = ConvertError::NoRecord;
    } catch (const std::bad_alloc&) {
        failure = ConvertError::OutOfMemory;
    } catch (const std::length_error&) {
        failure = ConvertError::OutOfMemory;
    }
    // Windows neither replaces nor removes a file that is still open.
    in.reset();
    if (std::fclose(out.release()) != 0 && failure == ConvertError::None)
        failure = ConvertError::WriteFailed;

    SetError(error, failure);
    if (failure == ConvertError::None)
        return target;
    if (failure == ConvertError::NoRecord && sameFile) {
        ReplaceFileBytes(target, whole); // the source converted in place stays as it was
        return {};
    }
    // Never leave a short copy that could pass for a converted file; devices such
    // as /dev/full are left alone.
    if (std::filesystem::is_regular_file(target, ec))
        std::filesystem::remove(target, ec);
    return {};
}
