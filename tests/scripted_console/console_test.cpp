#include "console_test.h"

#include <memory>
#include <stdexcept>
#include <vector>

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
    int read_key(screen_model&, int& pending_key_code) override {
        std::vector<int> codes;
        if (!keys.next(codes)) throw std::runtime_error("no more keys");
        if (codes.size() > 1) pending_key_code = codes[1];
        return codes[0];
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
