#include "chart/View3DOptions.h"

template <class T> void TView3DOptions::Set(T& field, T v)
{
    if (field == v)
        return;
    field = v;
    if (OnChange)
        OnChange();
}

void TView3DOptions::SetElevation(int v)
{
    Set(fElevation, v);
}
void TView3DOptions::SetOrthogonal(bool v)
{
    Set(fOrthogonal, v);
}
void TView3DOptions::SetPerspective(int v)
{
    Set(fPerspective, v);
}
void TView3DOptions::SetRotation(int v)
{
    Set(fRotation, v);
}
void TView3DOptions::SetTilt(int v)
{
    Set(fTilt, v);
}
void TView3DOptions::SetZoomText(bool v)
{
    Set(fZoomText, v);
}

void TView3DOptions::SetHorizOffset(int v)
{
    if (v == fHorizOffset)
        return;
    Set(fHorizOffset, v);
    if (OnScrolled)
        OnScrolled(true);
}

void TView3DOptions::SetVertOffset(int v)
{
    if (v == fVertOffset)
        return;
    Set(fVertOffset, v);
    if (OnScrolled)
        OnScrolled(false);
}

void TView3DOptions::SetZoom(int v)
{
    if (v == fZoom)
        return;
    if (OnZoomed)
        OnZoomed(v);
    Set(fZoom, v);
}

void TView3DOptions::Assign(const TView3DOptions& o)
{
    if (fElevation == o.fElevation && fHorizOffset == o.fHorizOffset && fOrthogonal == o.fOrthogonal &&
        fPerspective == o.fPerspective && fRotation == o.fRotation && fTilt == o.fTilt &&
        fVertOffset == o.fVertOffset && fZoom == o.fZoom && fZoomText == o.fZoomText)
        return;
    fElevation = o.fElevation;
    fHorizOffset = o.fHorizOffset;
    fOrthogonal = o.fOrthogonal;
    fPerspective = o.fPerspective;
    fRotation = o.fRotation;
    fTilt = o.fTilt;
    fVertOffset = o.fVertOffset;
    fZoom = o.fZoom;
    fZoomText = o.fZoomText;
    if (OnChange)
        OnChange();
}
