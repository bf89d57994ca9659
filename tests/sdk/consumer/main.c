#include <tenvik_sdk.h>

int main(void) {
    TenvikSDK* sdk = TenvikSDK_create("3.6.62", 6);
    int created = sdk != NULL;
    TenvikSDK_destroy(sdk);
    return created ? 0 : 1;
}
