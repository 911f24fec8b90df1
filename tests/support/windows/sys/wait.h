#pragma once
// A Windows process's exit status is the whole value _pclose() returns.
#define WIFEXITED(status) ((status) != -1)
#define WEXITSTATUS(status) (status)
#define WIFSIGNALED(status) 0
#define WTERMSIG(status) 0
