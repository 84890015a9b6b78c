#include "engine/picture/PackBits.h"

#include <algorithm>
#include <cstring>

PackBitsResult UnpackBits(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, size_t unit)
{
    if (unit == 0)
        unit = 1;
    size_t ip = 0;
    size_t op = 0;
    bool overran = false;
    while (op < outSize && ip < inSize) {
        const unsigned flag = in[ip++];
        if (flag < 128) {
            const size_t bytes = (size_t(flag) + 1) * unit;
            const size_t avail = std::min(bytes, inSize - ip);
            const size_t n = std::min(avail, outSize - op);
            overran |= bytes > outSize - op;
            std::memcpy(out + op, in + ip, n);
            op += n;
            ip += avail;
        } else if (flag > 128) {
            if (inSize - ip < unit) {
                ip = inSize;
                break;
            }
            const uint8_t* value = in + ip;
            ip += unit;
            size_t bytes = size_t(257 - flag) * unit;
            overran |= bytes > outSize - op;
            bytes = std::min(bytes, outSize - op);
            if (unit == 1) {
                std::memset(out + op, *value, bytes);
                op += bytes;
            } else {
                for (size_t i = 0; i < bytes; ++i)
                    out[op++] = value[i % unit];
            }
        }
    }
    return PackBitsResult{ip, op, overran};
}
