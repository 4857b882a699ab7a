#include "modules/encoding.h"

#include "runtime/automation.h"

#include <functional>

namespace fenrow {

namespace {

// The stream's Type: bytes, or text in its Charset.
constexpr int stream_type_binary = 1;
constexpr int stream_type_text = 2;
constexpr int stream_start = 0; // Position of the first byte
// Variant kind 7 (an array of i4) is refused: the variant is only cleared.
constexpr int var_kind_i4_array = 7;
constexpr int array_of_ui1 = 1; // element kind of a byte array

} // namespace

ByteArray encoding_convert(const ByteArray& data, Text& source_charset, Text& target_charset,
                           std::optional<int> read_position)
{
    if (source_charset.empty())
        source_charset = "UTF-8";
    if (target_charset.empty())
        target_charset = "GBK";
    automation_thread_init();

    // No step's outcome is examined: a failed one leaves its result empty and the rest run on.
    AutomationObject s;
    obj_create(s, "Adodb.Stream");
    obj_put(s, "Type", stream_type_binary);
    obj_call(s, "Open");
    Variant v;
    var_set_type(v, var_kind_i4_array);
    var_create_array(v, array_of_ui1, bytes_len(data));
    var_assign(v, data);
    obj_call(s, "Write", {v});

    obj_put(s, "Position", stream_start);
    obj_put(s, "Type", stream_type_text);
    obj_put(s, "Charset", source_charset);
    const Text text = obj_call_text(s, "ReadText");
    obj_call(s, "Close");
    obj_call(s, "Open");
    obj_put(s, "Charset", target_charset);
    obj_call(s, "WriteText", {std::cref(text)});

    obj_put(s, "Position", stream_start);
    obj_put(s, "Type", stream_type_binary);
    if (read_position)
        obj_put(s, "Position", *read_position);
    Variant r = obj_call_variant(s, "Read");
    ByteArray result = var_as_bytes(r);
    var_clear(r);

    obj_release(s);
    var_clear(v);
    automation_thread_done();
    return result;
}

} // namespace fenrow
