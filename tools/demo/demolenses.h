#pragma once

// The lenses of the demo: what the simulated lens says about itself at the
// start, and what the local firmware server offers for it. Both are real
// models of the catalogue, so that U-disk mode finds their codes; neither
// is the no-restart model or the short-header model.
struct DemoLens
{
    const char *code;
    const char *name;
    const char *serialNumber;
    const char *lensVersion; // what the simulated lens runs at the start
    const char *servedVersion; // what the server offers
};

inline constexpr DemoLens kDemoLenses[] = {
    { "99S93", "AF 85mm F4 M43", "99S93D0000417", "V1.0.3", "V1.1.0" },
    { "80D72", "Smart AF 24mm F1.4 Z", "80D72D0000815", "V2.0.0", "V2.1.0" },
};

// The lens the simulator starts as.
inline constexpr const DemoLens &kDefaultDemoLens = kDemoLenses[0];
