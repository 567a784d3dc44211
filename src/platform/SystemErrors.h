#pragma once

#include <QString>

namespace mv::platform {

// Why a file-system call failed, said in Chinese for the status line: the one table from errno
// values to the reasons the program shows ("磁盘空间不足", "权限不足", ...). Codes without a
// sentence of their own are named by their symbol, "系统错误 ESTALE".
QString systemErrorReason(int code);

} // namespace mv::platform
