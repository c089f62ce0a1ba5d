#include "sonrik/host_link.h"

namespace sonrik {

bool HostLink::StopPlayback() const
{
    return backend_.SendHostMessage(window_, hostmsg::Command, hostmsg::StopPlayback, 0) == 0;
}

void HostLink::ResumePlayback() const
{
    backend_.SendHostMessage(window_, hostmsg::Command, hostmsg::ResumePlayback, 0);
}

void HostLink::AboutToApply() const { backend_.SendHostMessage(window_, hostmsg::AboutToApply, 0, 0); }

}  // namespace sonrik
