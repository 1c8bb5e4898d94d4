#pragma once

namespace tolven {

class WaitPlatform;
WaitPlatform& win32_wait_platform();

}  // namespace tolven
