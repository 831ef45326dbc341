#include "console_test.h"

#include <memory>
#include <optional>
#include <stdexcept>

#include "key_decoder.h"

using namespace console_detail;

namespace {

// Keys from a script of terminal bytes; nothing is shown. A read past the
// script's end is an error of the test.
class scripted_console final : public console_device {
   public:
    key_decoder keys;

    void close(screen_model&) override {}
    void mode_changed(screen_model&) override {}
    void flush(screen_model&) override {}
    std::optional<key_press> read_key(screen_model&) override {
        if (auto pressed = keys.next()) return pressed;
        throw std::runtime_error("no more keys");
    }
    bool owns_stdout() override { return false; }
};

scripted_console* script = nullptr;

}  // namespace

void console_open_model(int columns, int rows, int tall_rows) {
    auto device = std::make_unique<scripted_console>();
    script = device.get();
    open_console_on(std::move(device), backend::start_up{columns, rows, 0x07, tall_rows});
}

void console_feed(std::string_view bytes) { script->keys.feed(bytes); }
