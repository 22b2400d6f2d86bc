#pragma once

#include <QString>

// One attached lens as the program knows it: how it is reached and who it
// says it is. Firmware offered for a lens is tied to one of these, so that
// bytes fetched for one lens are never handed to another.
struct LensRecord
{
    enum class Link { None, Hid, Udisk };

    Link link = Link::None;
    QString volumeRoot; // U-disk lenses only
    QString modelName;
    QString modelCode;
    QString serialNumber; // HID lenses only
    QString version;

    bool isPresent() const { return link != Link::None; }

    // The same lens, reached the same way and reporting the same identity.
    bool operator==(const LensRecord &other) const
    {
        return link == other.link && volumeRoot == other.volumeRoot && modelName == other.modelName
            && modelCode == other.modelCode && serialNumber == other.serialNumber && version == other.version;
    }
    bool operator!=(const LensRecord &other) const { return !(*this == other); }
};
