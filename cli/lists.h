// Lists in and out of the command line: files or the standard streams, line
// ends made CR LF on the way in and given back on the way out, UTF-8 or
// code page 936.
#pragma once

#include "cli/cli.h"
#include "runtime/file_encoding.h"
#include "runtime/text.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fenrow {

// How the inputs are read: as the system's GBK (the default), as strict UTF-8
// (--utf8), in the encoding named (--encoding), or in the one the bytes show
// (--encoding auto).
struct InputEncoding {
    bool utf8 = false;
    std::optional<FileEncoding> named;
    bool detect = false;
    // The bytes are the system's text as they stand: a file may be streamed.
    bool as_they_stand() const { return named ? *named == FileEncoding::gbk : !utf8 && !detect; }
};

struct ListInput {
    Text text;
    bool crlf = false; // the first line ends in CR LF
};

// A file's lines (name "-": standard input's) as a box holds them: every line
// end CR LF, and the file's last line end, which closes its last line, not
// one more empty line. A message for the user when it cannot be read or is
// not text.
std::optional<Text> read_list(const Text& name, const InputEncoding& encoding, CliStreams& io, ListInput& in);

// The list as a file: LF line ends unless with_crlf, and a line end closing the
// last line; to the named file, replaced whole or left as it was, or to
// standard output. cli_ok, or cli_file with a message written.
int write_list(CliStreams& io, Text list, const std::optional<Text>& to, bool with_crlf, bool utf8);

// The size of the blocks a streamed run works and writes in; tests make it
// tiny to try the edges between blocks.
std::size_t& stream_block();

// A list given a run of whole lines at a time: the lines and bytes of the
// list read_list reads whole.
class ListSource {
public:
    virtual ~ListSource() = default;
    // f is given the list in runs of whole lines of about stream_block()
    // bytes, each cut behind a CR LF that ends a line (one where a character
    // starts), then what is left, perhaps nothing; false from f stops.
    virtual void for_each_chunk(const std::function<bool(std::string_view)>& f) = 0;
    // Whether the list is a file without a CR: then for_each_file_block gives
    // its own bytes a block at a time, the list with every CR LF an LF and,
    // when the file closes its last line, one LF more.
    virtual bool lf_only() const { return false; }
    virtual void for_each_file_block(const std::function<bool(std::string_view)>&) {}
};

// A list read whole.
class HeldList : public ListSource {
public:
    explicit HeldList(std::string_view list) : list_(list) {}
    void for_each_chunk(const std::function<bool(std::string_view)>& f) override;

private:
    std::string_view list_;
};

// A file given a block at a time while the run goes, never held whole;
// first_line_crlf as read_list sets crlf. Nothing when it must be read whole: it is
// missing, unreadable, not text or large, which read_list then reports.
std::unique_ptr<ListSource> stream_file(const Text& name, bool& first_line_crlf);

// A result written while it is made: its bytes (code page 936) given in
// parts, in order, and written in blocks as write_list writes the whole.
class ListWriter {
public:
    // Writes bytes; false when not all could be written.
    using Put = std::function<bool(std::string_view)>;
    ListWriter(bool with_crlf, bool utf8, Put put) : with_crlf_(with_crlf), utf8_(utf8), put_(std::move(put)) {}
    void add(std::string_view part);
    // Whether add_lf takes the result: LF line ends written, code page 936.
    bool takes_lf() const { return !with_crlf_ && !utf8_; }
    // Bytes of the result with every CR LF an LF, written as they are.
    void add_lf(std::string_view part);
    // Writes the rest; false once a write failed.
    bool finish();
    bool failed() const { return failed_; }

private:
    void add_bytes(std::string_view bytes); // as they go to the file
    void put();
    const bool with_crlf_, utf8_;
    Put put_;
    std::string waiting_; // UTF-8 only: bytes behind the last one that surely ends a character
    std::string out_;
    bool any_ = false;     // bytes were added
    bool held_cr_ = false; // a CR held back, in case an LF follows
    bool put_once_ = false;
    bool failed_ = false;
    char last_[2] = {0, 0};
};

// A result made by make into a ListWriter, to the named file (replaced whole
// or left as it was) or standard output. cli_ok, or cli_file with a message
// written.
int stream_list(CliStreams& io, const std::optional<Text>& to, bool with_crlf, bool utf8,
                const std::function<void(ListWriter&)>& make);

} // namespace fenrow
