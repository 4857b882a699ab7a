// Desktop services that record instead of showing: message boxes and the
// clipboard without a screen.
#pragma once

#include "runtime/desktop.h"

#include <vector>

namespace fenrow {

class FakeDesktop : public DesktopServices {
public:
    struct Box {
        Text content, title;
        int style;
    };

    FakeDesktop() { set_desktop_services(this); }
    ~FakeDesktop() override { set_desktop_services(nullptr); }

    bool clipboard_set_text(const Text& t) override
    {
        if (clipboard_fails)
            return false;
        clipboard = t;
        return true;
    }
    int message_box(const Text& content, int style, const Text& title) override
    {
        boxes.push_back({content, title, style});
        if (answers.empty())
            return button_ok;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void process_events() override { ++events_processed; }
    void process_paint_events() override { ++paints_processed; }

    Text clipboard;
    bool clipboard_fails = false;
    std::vector<Box> boxes;
    std::vector<int> answers; // the buttons pressed, box after box; then OK
    int events_processed = 0;
    int paints_processed = 0;
};

} // namespace fenrow
