// skirlo-cli image in the vector helper: SVG and PDF measured through
// FreeType and written by our own writers, so that the process never loads
// Qt; pixels are left to the picture helper.

#include <memory>

#include "cli/CliEnvironment.h"
#include "cli/CommandHelper.h"
#include "cli/Commands.h"
#include "cli/ImageCommand.h"
#include "export/VectorPicture.h"
#include "fonts/FreeTypeMeasuringContext.h"

namespace skirlo {

int runImage(const std::vector<std::string>& args) {
    const std::variant<ImageRequest, int> request = readImageRequest(args);
    if (const int* status = std::get_if<int>(&request)) return *status;
    if (!drawsVectors(std::get<ImageRequest>(request))) return runInHelper(kPictureHelper, "image", args);
    return drawImage(
        std::get<ImageRequest>(request),
        [](const CliEnvironment& environment) {
            return std::make_unique<FreeTypeMeasuringContext>(environment.resourceDir);
        },
        [](const PictureJob& job, std::string& error) {
            return writeVectorPicture(job.music, job.renderer, job.format, job.path, error);
        });
}

}  // namespace skirlo
