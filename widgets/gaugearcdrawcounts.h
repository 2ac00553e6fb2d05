#ifndef GAUGEARCDRAWCOUNTS_H
#define GAUGEARCDRAWCOUNTS_H

// Not part of the dial's interface: how often the dials of this process have drawn
// what they keep and copy on later repaints, so that a test can tell a kept image from
// one drawn again. Used on the GUI thread only, like the dials.
struct GaugeArcDrawCounts
{
    // The unmoving layers: once, and again after each change of look, size or background.
    int staticLayers = 0;
    // A pointer or hub image.
    int sprites = 0;
    // The value text's pixels, kept for later repaints.
    int textCopies = 0;
};

GaugeArcDrawCounts &gaugeArcDrawCounts();

#endif // GAUGEARCDRAWCOUNTS_H
