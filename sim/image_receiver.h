// image_receiver.h: an application image arriving with command 10 (KV-20 family)
// or 12 (LX-2 family). Its bytes go to a pending ROOT/APP.BIN, which becomes the
// installed application after the last block when the image is valid. The
// terminal's thread.
#pragma once

#include "sim/pending_file.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

class SimStorage;

inline constexpr const char* kAppImageName = "APP.BIN";

enum class ModelFamily { None, Kv20, Lx2 };
// KV-20 when the model text contains "KV-20" (looked at first), LX-2 when it contains "LX-2".
ModelFamily FamilyOf(std::string_view model);

// Answers to an image, carried by the acknowledgement of its last block.
inline constexpr std::uint8_t kImageOk = 0, kImageWriteFailed = 5, kImageInvalidKv20 = 4,
                              kImageInvalidLx2 = 7;

class ImageReceiver {
public:
    // forcedAnswer: the answer to give after the last block whatever the image
    // (installed only when it is 0).
    ImageReceiver(SimStorage& storage, ModelFamily family, std::uint32_t length,
                  std::optional<std::uint8_t> forcedAnswer);

    // The answer for the block's acknowledgement: kImageOk, or an answer code
    // that ends the transfer.
    std::uint8_t Take(std::span<const std::uint8_t> data, bool last);

private:
    SimStorage& storage;
    const ModelFamily family;
    const std::uint32_t length;
    const std::optional<std::uint8_t> forcedAnswer;
    PendingFile file;
};
