// What the operations' engines have in common: they take texts and options
// and end with an outcome, whether they did their work and what they have to
// say about it; the window shows the message in a box, the command line on
// standard error.
#pragma once

#include "runtime/text.h"

#include <optional>

namespace fenrow {

struct Message {
    Text text;
    Text title;
    friend bool operator==(const Message&, const Message&) = default;
};

// As a message box with one OK button and no icon.
void show(const Message& m);

struct Outcome {
    // False when the operation refused, or stopped before its end.
    bool done = true;
    std::optional<Message> message;
};

// A step that ran out of memory: it ended there, and changed nothing.
Message out_of_memory_message();

// An outcome that refuses with the message.
template <typename T = Outcome>
T refused(Message m)
{
    T r{};
    r.done = false;
    r.message = std::move(m);
    return r;
}

} // namespace fenrow
