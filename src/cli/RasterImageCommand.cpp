// skirlo-cli image in the picture helper: measured and drawn with Qt's fonts
// and rasterizer, as the desktop program's image export.

#include <memory>

#include "cli/CliEnvironment.h"
#include "cli/CliGui.h"
#include "cli/ImageCommand.h"
#include "export/ExportProgress.h"
#include "export/PictureExport.h"
#include "view/QtMeasuring.h"

namespace skirlo {

int runRasterTree(const std::vector<std::string>& args) {
    const std::unique_ptr<QGuiApplication> application = ensureGuiApplication();
    return runLayoutTree(args, [](const CliEnvironment& environment) {
        return std::make_unique<QtMeasuringContext>(environment.resourceDir);
    });
}

int runRasterImage(const std::vector<std::string>& args) {
    const std::variant<ImageRequest, int> request = readImageRequest(args);
    if (const int* status = std::get_if<int>(&request)) return *status;
    const std::unique_ptr<QGuiApplication> application = ensureGuiApplication();
    return drawImage(
        std::get<ImageRequest>(request),
        [](const CliEnvironment& environment) {
            return std::make_unique<QtMeasuringContext>(environment.resourceDir);
        },
        [](const PictureJob& job, std::string& error) {
            TerminalProgress progress;
            return writeMusicPicture(job.music, job.renderer, job.format, job.path, screenPcxDevice(job.measuring),
                                     progress, job.messages, error);
        });
}

}  // namespace skirlo
