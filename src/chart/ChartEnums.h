#pragma once

// Enumerations shared by the chart engine. Values keep the short lower-case
// prefixes of their types so that code reads like the property values.

// Platform pen style and raster mode.
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNotCopy, pmXor, pmNotXor, pmMerge, pmMask };

// Platform brush style.
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Shape of one bar of a bar series.
enum TBarStyle { bsRectangle, bsPyramid, bsInvPyramid, bsCilinder, bsEllipse, bsArrow, bsRectGradient };

// Font style bits (combine with |).
enum TFontStyleBits { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// Panel bevels.
enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

// Horizontal text alignment of titles.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Legend placement.
enum TLegendAlignment { laLeft, laRight, laTop, laBottom };

// Background gradient direction.
enum TGradientDirection { gdTopBottom, gdBottomTop, gdLeftRight, gdRightLeft };

// Back image placement.
enum TBackImageMode { pbmStretch, pbmTile, pbmCenter };

// Mouse panning directions.
enum TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };

// Axis label style.
enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

// Ordering a value list keeps on insert.
enum TChartListOrder { loNone, loAscending, loDescending };

// Axis choice of a series.
enum THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };

// Text background mode of the canvas (platform values).
enum TTextBackMode { tbmTransparent = 1, tbmOpaque = 2 };

// Series mark text style.
enum TSeriesMarksStyle {
    smsValue,
    smsPercent,
    smsLabel,
    smsLabelPercent,
    smsLabelValue,
    smsLegend,
    smsPercentTotal,
    smsLabelPercentTotal,
    smsXValue
};

// Keyboard/mouse shift state bits passed with mouse events.
enum TShiftStateBits { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };

// Mouse buttons.
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Platform text-alignment flags (horizontal | vertical reference).
constexpr int TA_LEFT = 0;
constexpr int TA_RIGHT = 2;
constexpr int TA_CENTER = 6;
constexpr int TA_TOP = 0;
constexpr int TA_BOTTOM = 8;
constexpr int TA_BASELINE = 24;
constexpr int TA_HORZMASK = 6;
constexpr int TA_VERTMASK = 24;

// Cursor identifiers (platform numbering); 0 is the default cursor.
constexpr int crDefault = 0;
constexpr int crArrow = -2;
constexpr int crCross = -3;
constexpr int crIBeam = -4;
constexpr int crSizeAll = -22;
constexpr int crHandPoint = -21;
