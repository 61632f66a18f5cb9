// Ending a child together with everything it started, where no job object holds them: the
// processes whose chain of parents leads to the child, found in snapshots of the system's
// process list.
#pragma once

#include <windows.h>

namespace kestrova::win {

// Ends `root` (a process handle with PROCESS_TERMINATE and PROCESS_QUERY_INFORMATION rights,
// which the caller keeps open) and every process whose chain of parents leads to it, top down,
// also when `root` has ended already. A process counts as the child of a member of the tree
// only if it was created after that member: a process id can be reused once its process is
// gone, and the handles held here keep the members' ids from being reused meanwhile. Waits a
// short while for the ended processes to go, so that what they were still starting is found
// by the next snapshot. A process that has left the tree (its parent ended before the
// snapshot) cannot be found.
void endProcessTree(HANDLE root);

}  // namespace kestrova::win
