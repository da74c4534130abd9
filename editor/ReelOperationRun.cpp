#include "editor/ReelOperationRun.h"

#include <new>
#include <stdexcept>

namespace clipreel {

ReelOperationResult RunReelOperation(ClipreelProgressCallback callback, void* userData,
                                     const std::function<ReelOperationResult()>& checks,
                                     const std::function<ReelOperationResult()>& work) {
    using E = CClipreelMovFileEditor;
    try {
        const ReelOperationResult checked = checks();
        if (checked != E::CREATEMOVFILE_SUCCESS) return checked;
        if (callback != nullptr && callback(PROGRESS_MESSAGE_START, 0.0, userData) != 0)
            return E::CREATEMOVFILE_CANCELED;
        const ReelOperationResult result = work();
        if (result != E::CREATEMOVFILE_SUCCESS) return result;
        if (callback != nullptr) callback(PROGRESS_MESSAGE_END, 1.0, userData);
        return E::CREATEMOVFILE_SUCCESS;
    } catch (const std::bad_alloc&) {
        return E::CREATEMOVFILE_OUT_OF_MEMORY;
    } catch (const std::runtime_error&) {
        return E::CREATEMOVFILE_INVALID_SOURCE;
    }
}

}
