// Command and control ids of the main window's menu, toolbar and bars.
#pragma once

namespace halden::ids {
}  // namespace halden::ids
