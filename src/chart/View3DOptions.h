#pragma once

#include <functional>

// 3D view settings of a panel. Without View3D none of them affects drawing.
class TView3DOptions {
public:
    TView3DOptions() = default;

    // getters
    int Elevation() const { return fElevation; }
    int HorizOffset() const { return fHorizOffset; }
    bool Orthogonal() const { return fOrthogonal; }
    int Perspective() const { return fPerspective; }
    int Rotation() const { return fRotation; }
    int Tilt() const { return fTilt; }
    int VertOffset() const { return fVertOffset; }
    int Zoom() const { return fZoom; }
    bool ZoomText() const { return fZoomText; }

    // setters: store and repaint on a change; offsets also report a scroll
    // (true = horizontal), Zoom reports the new zoom before storing it
    void SetElevation(int v);
    void SetHorizOffset(int v);
    void SetOrthogonal(bool v);
    void SetPerspective(int v);
    void SetRotation(int v);
    void SetTilt(int v);
    void SetVertOffset(int v);
    void SetZoom(int v);
    void SetZoomText(bool v);

    void Assign(const TView3DOptions& other);  // copies all nine values

    std::function<void()> OnChange;
    std::function<void(bool horizontal)> OnScrolled;
    std::function<void(int zoom)> OnZoomed;

private:
    template <class T> void Set(T& field, T v);

    int fElevation = 345;
    int fHorizOffset = 0;
    bool fOrthogonal = true;
    int fPerspective = 15;
    int fRotation = 345;
    int fTilt = 0;
    int fVertOffset = 0;
    int fZoom = 100;
    bool fZoomText = true;
};
