#include "platform/backend/BackendFactory.h"

#include "platform/backend/sim/SimBackend.h"
#include "sim/protocol/SimProtocol.h"

#ifdef PLUMEO_HAVE_WRITER_BACKEND
#include "platform/backend/writer/WriterBackendFactory.h"
#endif

namespace plumeo {

#ifdef PLUMEO_HAVE_APPLE_BACKEND
/// Defined by the Apple backend library.
std::unique_ptr<PlatformBackend> makeAppleBackend();
#endif

std::string_view rawValue(BackendKind kind) {
    switch (kind) {
    case BackendKind::apple: return "apple";
    case BackendKind::writer: return "writer";
    case BackendKind::sim: break;
    }
    return "sim";
}

std::optional<BackendKind> backendKindFromRawValue(std::string_view raw) {
    if (raw == "sim")
        return BackendKind::sim;
    if (raw == "apple")
        return BackendKind::apple;
    if (raw == "writer")
        return BackendKind::writer;
    return std::nullopt;
}

BackendKind defaultBackendKind() {
#if defined(PLUMEO_HAVE_APPLE_BACKEND) && defined(PLUMEO_DEFAULT_BACKEND_APPLE)
    return BackendKind::apple;
#else
    return BackendKind::sim;
#endif
}

std::vector<BackendKind> availableBackends() {
    std::vector<BackendKind> kinds{defaultBackendKind()};
#ifdef PLUMEO_HAVE_APPLE_BACKEND
    if (kinds.front() != BackendKind::apple)
        kinds.push_back(BackendKind::apple);
#endif
    if (kinds.front() != BackendKind::sim)
        kinds.push_back(BackendKind::sim);
#ifdef PLUMEO_HAVE_WRITER_BACKEND
    kinds.push_back(BackendKind::writer);
#endif
    return kinds;
}

BackendHandle makeBackend(const BackendOptions& options) {
    BackendHandle handle;
    if (options.kind == BackendKind::apple) {
#ifdef PLUMEO_HAVE_APPLE_BACKEND
        handle.backend = makeAppleBackend();
        return handle;
#else
        throw BackendError("这个版本没有包含 macOS 后端（apple），只能使用模拟器（sim）");
#endif
    }
    if (options.kind == BackendKind::writer) {
#ifdef PLUMEO_HAVE_WRITER_BACKEND
        WriterEnvironmentOptions writer;
        writer.autoCorrectOff = options.writerAutoCorrectOff;
        try {
            handle.backend = makeWriterBackend(writer);
            handle.xDisplay = writerBackendDisplay(*handle.backend);
        } catch (const std::exception& error) {
            throw BackendError(std::string("无法启动 LibreOffice Writer 后端：") + error.what());
        }
        return handle;
#else
        throw BackendError("这个版本没有包含 LibreOffice Writer 后端（writer）：构建时需要 X11 "
                           "（XTest、XInput2）和 LibreOffice SDK");
#endif
    }
    if (options.startPrivateSimulator) {
        try {
            handle.privateSimulator = std::make_unique<SimulatorProcess>(options.simulatorProcess);
        } catch (const std::exception& error) {
            throw BackendError(std::string("无法启动模拟器：") + error.what());
        }
        handle.simulatorSocket = handle.privateSimulator->socketPath();
    } else {
        handle.simulatorSocket =
            options.simulatorSocket.value_or(simproto::socketPathFromEnvironment());
    }
    handle.backend = std::make_shared<SimBackend>(handle.simulatorSocket);
    return handle;
}

std::unique_ptr<PlatformBackend> makePlatformBackend() {
#ifdef PLUMEO_HAVE_APPLE_BACKEND
    if (defaultBackendKind() == BackendKind::apple)
        return makeAppleBackend();
#endif
    return std::make_unique<SimBackend>(simproto::socketPathFromEnvironment());
}

} // namespace plumeo
