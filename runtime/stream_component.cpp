// "Adodb.Stream": a byte stream in memory that reads and writes bytes (Type 1)
// or text in a character set of charset.h (Type 2), "Unicode" by default.
// Writing text puts no byte-order mark in front; reading UTF-8 or Unicode text
// from the start skips one.
#include "runtime/charset.h"
#include "runtime/components.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace fenrow {
namespace {

constexpr std::int32_t type_binary = 1, type_text = 2;
constexpr std::int32_t read_all = -1;

class Stream : public Component {
public:
    std::span<const Member> members() const override
    {
        using V = VarType;
        static const std::vector<Member> table = {
            entry("Type", invoke_get, {}, 0, &Stream::get_type),
            entry("Type", invoke_put, {V::i4}, 0, &Stream::put_type),
            entry("Charset", invoke_get, {}, 0, &Stream::get_charset),
            entry("Charset", invoke_put, {V::bstr}, 0, &Stream::put_charset),
            entry("Position", invoke_get, {}, 0, &Stream::get_position),
            entry("Position", invoke_put, {V::i4}, 0, &Stream::put_position),
            entry("Size", invoke_get, {}, 0, &Stream::size),
            entry("State", invoke_get, {}, 0, &Stream::state),
            entry("Open", invoke_method, {V::variant, V::variant, V::variant, V::variant, V::variant}, 5, &Stream::open),
            entry("Close", invoke_method, {}, 0, &Stream::close),
            entry("Write", invoke_method, {V::variant}, 0, &Stream::write),
            entry("Read", invoke_method, {V::i4}, 1, &Stream::read),
            entry("ReadText", invoke_method, {V::i4}, 1, &Stream::read_text),
            entry("WriteText", invoke_method, {V::bstr, V::i4}, 1, &Stream::write_text),
            entry("SetEOS", invoke_method, {}, 0, &Stream::set_eos),
        };
        return table;
    }

private:
    // Members that need an open stream (and a type) fail as the component's
    // "operation not allowed" does.
    bool usable(std::int32_t type = 0) const { return open_ && (type == 0 || type == type_); }

    void write_bytes(std::string_view bytes)
    {
        if (position_ > data_.size())
            data_.resize(position_, '\0');
        data_.replace(position_, std::min(bytes.size(), data_.size() - position_), bytes);
        position_ += bytes.size();
    }

    int get_type(Args, Variant& r)
    {
        r = Variant::of_i4(type_);
        return 0;
    }
    // The type changes only at the start of the stream.
    int put_type(Args a, Variant&)
    {
        if (!is_scalar(a[0], VarType::i4))
            return result_type_mismatch;
        if ((a[0].integer() != type_binary && a[0].integer() != type_text) || (open_ && position_ != 0))
            return result_exception;
        type_ = a[0].integer();
        return 0;
    }
    int get_charset(Args, Variant& r)
    {
        r = Variant::of_bstr(charset_name_);
        return 0;
    }
    int put_charset(Args a, Variant&)
    {
        if (!is_scalar(a[0], VarType::bstr))
            return result_type_mismatch;
        const std::optional<Charset> cs = charset_named(a[0].bstr());
        if (!cs || (open_ && position_ != 0))
            return result_exception;
        charset_ = *cs;
        charset_name_ = a[0].bstr();
        return 0;
    }
    int get_position(Args, Variant& r)
    {
        if (!usable())
            return result_exception;
        r = Variant::of_i4(static_cast<std::int32_t>(position_));
        return 0;
    }
    // A position past the end reads nothing; a write there fills the gap with zeros.
    int put_position(Args a, Variant&)
    {
        if (!is_scalar(a[0], VarType::i4))
            return result_type_mismatch;
        if (!usable() || a[0].integer() < 0)
            return result_exception;
        position_ = static_cast<std::size_t>(a[0].integer());
        return 0;
    }
    int size(Args, Variant& r)
    {
        if (!usable())
            return result_exception;
        r = Variant::of_i4(static_cast<std::int32_t>(data_.size()));
        return 0;
    }
    int state(Args, Variant& r)
    {
        r = Variant::of_i4(open_ ? 1 : 0);
        return 0;
    }
    // Only empty streams: opening from a source is not offered.
    int open(Args a, Variant&)
    {
        if (open_ || given(a, 0))
            return result_exception;
        open_ = true;
        data_.clear();
        position_ = 0;
        return 0;
    }
    int close(Args, Variant&)
    {
        if (!usable())
            return result_exception;
        open_ = false;
        data_.clear();
        position_ = 0;
        return 0;
    }
    int write(Args a, Variant&)
    {
        if (!usable(type_binary))
            return result_exception;
        if (!a[0].is_array() || (a[0].type() != VarType::ui1 && a[0].type() != VarType::i1))
            return result_type_mismatch;
        write_bytes(a[0].array().bytes);
        return 0;
    }
    // Nothing left to read gives the empty variant.
    int read(Args a, Variant& r)
    {
        if (!usable(type_binary))
            return result_exception;
        std::int32_t n = read_all;
        if (given(a, 0)) {
            if (!is_scalar(a[0], VarType::i4))
                return result_type_mismatch;
            n = a[0].integer();
        }
        if (n < read_all)
            return result_exception;
        const std::size_t left = position_ < data_.size() ? data_.size() - position_ : 0;
        const std::size_t take = n == read_all ? left : std::min(left, static_cast<std::size_t>(n));
        r = take == 0 ? Variant() : Variant::of_bytes(data_.substr(position_, take));
        position_ += take;
        return 0;
    }
    // Reads the rest of the stream; counted reads are not offered.
    int read_text(Args a, Variant& r)
    {
        if (!usable(type_text))
            return result_exception;
        if (given(a, 0) && (!is_scalar(a[0], VarType::i4) || a[0].integer() != read_all))
            return result_exception;
        const std::string_view rest =
            position_ < data_.size() ? std::string_view(data_).substr(position_) : std::string_view();
        r = Variant::of_bstr(charset_decode(rest, charset_, position_ == 0));
        position_ = std::max(position_, data_.size());
        return 0;
    }
    // Options 1 ends the text with a line break.
    int write_text(Args a, Variant&)
    {
        if (!usable(type_text))
            return result_exception;
        if (!is_scalar(a[0], VarType::bstr) || (given(a, 1) && !is_scalar(a[1], VarType::i4)))
            return result_type_mismatch;
        const std::int32_t options = given(a, 1) ? a[1].integer() : 0;
        if (options != 0 && options != 1)
            return result_exception;
        write_bytes(charset_encode(options == 1 ? a[0].bstr() + u"\r\n" : a[0].bstr(), charset_));
        return 0;
    }
    int set_eos(Args, Variant&)
    {
        if (!usable())
            return result_exception;
        if (position_ < data_.size())
            data_.resize(position_);
        return 0;
    }

    bool open_ = false;
    std::int32_t type_ = type_text;
    Charset charset_ = Charset::unicode;
    std::u16string charset_name_ = u"Unicode";
    std::string data_;
    std::size_t position_ = 0;
};

} // namespace

std::shared_ptr<Component> make_stream_component() { return std::make_shared<Stream>(); }

} // namespace fenrow
