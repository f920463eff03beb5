#include "platform/automation/publish/Publish.h"

#include "platform/automation/remote/RemoteServer.h"

#include <memory>
#include <string>

namespace automation {

Registration publishRunningObject(std::u16string_view progId, DispatchRef object)
{
    auto server = std::make_shared<remote::RemoteServer>(std::u16string(progId), std::move(object));
    try {
        server->start();
    } catch (const remote::ServerError& e) {
        throw PublishError(e.what());
    }
    return Registration([server] { server->stop(); });
}

Registration publishClass(std::u16string_view, ClassFactory)
{
    throw PublishError("Other programs cannot create objects of this program's classes on this system");
}

} // namespace automation
