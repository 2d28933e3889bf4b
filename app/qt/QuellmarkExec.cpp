#include "QuellmarkApplication.h"

int main()
{
    return RunQuellmark(CreateQuellmarkX);
}
