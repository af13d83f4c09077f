#include "tools/render/commands/BatchCommand.h"

#include "tools/render/audio/SoundFileReader.h"
#include "tools/render/commandline/ArgumentParser.h"
#include "tools/render/commands/RenderCommand.h"
#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/FileClashError.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/filesafety/InputIdentities.h"
#include "tools/render/pipeline/ProgressBar.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>
#include <utility>

namespace calderine {

namespace {

// As the header states; 0 for what is not a regular file, since a pipe opened to count its
// frames would lose its start to the count.
std::int64_t framesIn(const std::filesystem::path& input) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(input, error)) {
        return 0;
    }
    try {
        return std::max<std::int64_t>(SoundFileReader(input).statedFrames().value_or(0), 0);
    } catch (const std::exception&) {
        return 0; // reported when its turn comes
    }
}

} // namespace

BatchCommand::BatchCommand(const RenderOptions& options, std::filesystem::path module)
    : options(options), modulePath(std::move(module)) {
    const std::filesystem::path folder = options.outputFolder.value_or(".");
    std::map<std::string, std::filesystem::path> writers; // file name -> the input writing it
    for (const auto& input : options.inputs) {
        outputs.push_back(outputFor(input, folder, options.format));
        for (const auto& file : RenderCommand::writtenFiles(outputs.back(), options.stems)) {
            const auto [earlier, added] = writers.emplace(file.filename().string(), input);
            if (!added) {
                throw UsageError(quoted(earlier->second) + " and " + quoted(input) +
                                 " would both write " + quoted(file));
            }
        }
    }
    // Checked for all files before the first is rendered: a later input must still be there,
    // intact, when its turn comes.
    const InputIdentities inputs(options.inputs);
    for (const auto& [name, input] : writers) {
        const std::filesystem::path file = folder / name;
        if (const std::filesystem::path* overwritten = inputs.find(file)) {
            throw FileClashError(quoted(file) + " would overwrite the input " +
                                 quoted(*overwritten) +
                                 "; with --output-dir no output may replace an input");
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
std::string BatchCommand::renderOne(std::size_t index, const FrameProgress& progress,
                                    const MessageSink& say) const {
    RenderOptions one = options;
    one.input = options.inputs[index];
    one.output = outputs[index];
    one.showProgress = false;
    try {
        RenderCommand(one, modulePath).run(progress, say);
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
        throw AudioFileError("cannot create the folder " + quoted(folder) + ": " + error.message());
    }
    const std::size_t files = options.inputs.size();
    const bool terminal =
        !options.quiet && options.showProgress && ProgressBar::standardErrorIsTerminal();
    std::vector<std::int64_t> expected(files);
    for (std::size_t index = 0; index < files && terminal; ++index) {
        expected[index] = framesIn(options.inputs[index]);
    }
    // Guards the bar and the error stream: every line of every job goes out under it, clear
    // of the bar and whole.
    std::mutex reporting;
    // Files at several sample rates have no one speed in real time: the bar leaves it out.
    ProgressBar progress(errors, terminal,
                         std::accumulate(expected.begin(), expected.end(), std::int64_t{0}));
    std::atomic<std::int64_t> framesDone{0};
    const auto advance = [&](std::int64_t frames) {
        const std::int64_t sum = framesDone.fetch_add(frames) + frames;
        // A job that finds the bar busy leaves the drawing to the next block.
        if (const std::unique_lock lock(reporting, std::try_to_lock); lock.owns_lock()) {
            progress.update(sum);
        }
    };
    const MessageSink say = [&](const std::string& line) {
        const std::lock_guard lock(reporting);
        progress.print(line);
    };
    progress.update(0);
    std::atomic<std::size_t> failed{0};
    std::atomic<std::size_t> next{0};

    auto work = [&] {
        for (std::size_t index; (index = next++) < files;) {
            // Counted up to what the header states, so that no file takes another's share.
            std::int64_t counted = 0;
            const std::string problem = renderOne(
                index,
                [&](std::int64_t read) {
                    const std::int64_t capped = std::min(read, expected[index]);
                    advance(capped - counted);
                    counted = capped;
                },
                say);
            // A failed or short file is done all the same.
            advance(expected[index] - counted);
            const std::lock_guard lock(reporting);
            if (!problem.empty()) {
                ++failed;
                progress.print(std::string(program) + ": " +
                               printable(options.inputs[index].string()) + ": " + problem);
            }
            progress.update(framesDone.load());
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t j = 1; j < jobCount(options.jobs, files); ++j) {
            workers.emplace_back(work);
        }
        work();
    }
    progress.finish();
    return failed;
}

} // namespace calderine
