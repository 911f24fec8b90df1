// A program that only waits a minute: what a test leaves running.
#include <windows.h>

int main() {
    ::Sleep(60000);
    return 0;
}
