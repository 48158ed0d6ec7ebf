#include "platform/Platform.h"

int main() {
    return 0;
}
