#pragma once
// The RF-PLC identity a meter gets with its serial number n: group and
// address are digits of the number, and 0 in either stands for 100.

namespace productiondb {

// (n mod 10000) div 100: 123456 gives 34; 120003 gives 100.
constexpr int rfplcGroup(int n)
{
    const int group = (n % 10000) / 100;
    return group == 0 ? 100 : group;
}

// n mod 100: 123456 gives 56; 123400 gives 100.
constexpr int rfplcAddress(int n)
{
    const int address = n % 100;
    return address == 0 ? 100 : address;
}

} // namespace productiondb
