#include "platform/script/ScriptRunner.h"

#include <limits>
#include <optional>
#include <semaphore>
#include <stdexcept>

namespace plumeo {

namespace {

// Handler names are AppleScript identifiers, so ASCII folding is all lowercaseString would do.
std::string lowercased(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// paramErr: the Apple event could not carry the value.
constexpr int parameterOutOfRange = -50;

} // namespace

ScriptRunner::ScriptRunner(std::shared_ptr<PlatformBackend> backend, std::string source,
                           std::string threadName, ScriptInstancePolicy policy)
    : backend_(std::move(backend)), source_(std::move(source)), policy_(policy),
      queue_(std::move(threadName)) {}

ScriptRunner::~ScriptRunner() {
    // The compiled script is released on the thread that made it, like every other use.
    queue_.enqueue([this] { script_.reset(); });
}

ScriptDescriptor ScriptRunner::call(std::string_view handler,
                                    const std::vector<std::int64_t>& ints) {
    return call(handler, {}, ints);
}

ScriptDescriptor ScriptRunner::call(std::string_view handler,
                                    const std::vector<std::u16string>& strings,
                                    const std::vector<std::int64_t>& ints) {
    if (queue_.isWorkerThread()) {
        throw std::logic_error("ScriptRunner::call on its own worker thread would wait forever");
    }
    std::vector<ScriptParameter> parameters(strings.begin(), strings.end());
    for (std::int64_t value : ints) {
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max()) {
            throw ScriptError::script(parameterOutOfRange,
                                      "整数参数超出 32 位范围：" + std::to_string(value));
        }
        parameters.emplace_back(static_cast<std::int32_t>(value));
    }

    // Written by the worker before it releases `done`, read here after acquiring it.
    struct ResultBox {
        std::optional<ScriptDescriptor> descriptor;
        ScriptError error = ScriptError::compile("未执行");
    } box;
    std::binary_semaphore done(0);
    queue_.enqueue(
        [this, &box, &done, name = lowercased(handler), parameters = std::move(parameters)] {
            try {
                box.descriptor = execute(name, parameters);
            } catch (const ScriptError& error) {
                box.error = error;
            } catch (...) {
                // Anything else leaves the "not executed" failure in the box.
            }
            done.release();
        });
    done.acquire();
    if (box.descriptor) {
        return std::move(*box.descriptor);
    }
    throw box.error;
}

ScriptDescriptor ScriptRunner::execute(const std::string& handler,
                                       const std::vector<ScriptParameter>& parameters) {
    if (!script_ || policy_ == ScriptInstancePolicy::freshPerCall) {
        ScriptCompilation compilation = backend_->compileScript(source_);
        switch (compilation.status) {
        case ScriptCompilation::Status::notCreated:
            throw ScriptError::compile("无法创建脚本");
        case ScriptCompilation::Status::notCompiled:
            throw ScriptError::compile(compilation.errorMessage.value_or("编译失败"),
                                       compilation.errorNumber);
        case ScriptCompilation::Status::compiled:
            break;
        }
        if (!compilation.script) {
            throw ScriptError::compile("无法创建脚本");
        }
        script_ = std::move(compilation.script);
    }
    ScriptResult result = backend_->executeHandler(*script_, handler, parameters);
    if (!result.succeeded()) {
        throw ScriptError::script(result.errorNumber.value_or(-1),
                                  result.errorMessage.value_or(""));
    }
    return std::move(*result.descriptor);
}

} // namespace plumeo
