#include "tools/render/BatchCommand.h"

#include "tools/render/ArgumentParser.h"
#include "tools/render/AudioFileError.h"
#include "tools/render/FileClashError.h"
#include "tools/render/InputIdentities.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/RenderCommand.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace calderine {

BatchCommand::BatchCommand(const RenderOptions& options, std::filesystem::path module)
    : options(options), modulePath(std::move(module)) {
    const std::filesystem::path folder = options.outputFolder.value_or(".");
    std::map<std::string, std::filesystem::path> writers; // file name -> the input writing it
    for (const auto& input : options.inputs) {
        outputs.push_back(outputFor(input, folder, options.format));
        for (const auto& file : RenderCommand::writtenFiles(outputs.back(), options.stems)) {
            const auto [earlier, added] = writers.emplace(file.filename().string(), input);
            if (!added) {
                throw UsageError("'" + earlier->second.string() + "' and '" + input.string() +
                                 "' would both write '" + file.string() + "'");
            }
        }
    }
    // Checked for all files before the first is rendered: a later input must still be there,
    // intact, when its turn comes.
    const InputIdentities inputs(options.inputs);
    for (const auto& [name, input] : writers) {
        const std::filesystem::path file = folder / name;
        if (const std::filesystem::path* overwritten = inputs.find(file)) {
            throw FileClashError("'" + file.string() + "' would overwrite the input '" +
                                 overwritten->string() +
                                 "'; with --output-dir no output may replace an input");
        }
    }
}

std::filesystem::path BatchCommand::outputFor(const std::filesystem::path& input,
                                              const std::filesystem::path& folder,
                                              const std::optional<std::string>& format) {
    std::filesystem::path output = folder / input.filename();
    if (format) {
        output.replace_extension(*format);
    }
    return output;
}

std::size_t BatchCommand::jobCount(int asked, std::size_t files) {
    const std::size_t wanted =
        asked > 0 ? static_cast<std::size_t>(asked) : std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(wanted, 1, std::max<std::size_t>(files, 1));
}

// The reason the file failed, empty when it was rendered.
std::string BatchCommand::renderOne(std::size_t index) const {
    RenderOptions one = options;
    one.input = options.inputs[index];
    one.output = outputs[index];
    one.showProgress = false;
    try {
        RenderCommand(one, modulePath).run();
        return {};
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "failed for an unknown reason";
    }
}

std::size_t BatchCommand::run(std::ostream& errors, std::string_view program) const {
    const std::filesystem::path& folder = *options.outputFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw AudioFileError("cannot create the folder '" + folder.string() +
                             "': " + error.message());
    }
    const std::size_t files = options.inputs.size();
    const bool terminal = options.showProgress && ProgressBar::standardErrorIsTerminal();
    const auto total = static_cast<std::int64_t>(files);
    std::mutex reporting; // guards the counts, the bar and the error stream
    auto progress = std::make_unique<ProgressBar>(errors, terminal, total);
    std::size_t done = 0;
    std::size_t failed = 0;
    std::atomic<std::size_t> next{0};

    auto work = [&] {
        for (std::size_t index; (index = next++) < files;) {
            const std::string problem = renderOne(index);
            const std::lock_guard lock(reporting);
            ++done;
            if (!problem.empty()) {
                ++failed;
                // The bar leaves the line before the message and comes back below it.
                progress.reset();
                errors << program << ": " << options.inputs[index].string() << ": " << problem
                       << std::endl;
                progress = std::make_unique<ProgressBar>(errors, terminal, total);
            }
            progress->update(static_cast<std::int64_t>(done));
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t j = 1; j < jobCount(options.jobs, files); ++j) {
            workers.emplace_back(work);
        }
        work();
    }
    progress->finish();
    return failed;
}

} // namespace calderine
