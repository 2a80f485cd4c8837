#include "sim/image_receiver.h"

#include "sim/sim_storage.h"

ModelFamily FamilyOf(std::string_view model)
{
    if (model.find("KV-20") != std::string_view::npos)
        return ModelFamily::Kv20;
    if (model.find("LX-2") != std::string_view::npos)
        return ModelFamily::Lx2;
    return ModelFamily::None;
}

ImageReceiver::ImageReceiver(SimStorage& simStorage, ModelFamily modelFamily,
                             std::uint32_t imageLength, std::optional<std::uint8_t> forced)
    : storage(simStorage), family(modelFamily), length(imageLength), forcedAnswer(forced)
{
}

std::uint8_t ImageReceiver::Take(std::span<const std::uint8_t> data, bool last)
{
    if (!file.IsOpen() && !storage.BeginRootFile(kAppImageName, file))
        return kImageWriteFailed;
    if (!file.Write(data))
        return kImageWriteFailed;
    if (!last)
        return kImageOk;
    const std::uint8_t invalid = family == ModelFamily::Lx2 ? kImageInvalidLx2 : kImageInvalidKv20;
    const std::uint8_t answer = forcedAnswer ? *forcedAnswer : length == 0 ? invalid : kImageOk;
    if (answer != kImageOk) {
        file.Abandon();
        return answer;
    }
    return file.Commit(std::nullopt) ? kImageOk : kImageWriteFailed;
}
