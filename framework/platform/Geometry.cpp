// Points, sizes, rectangles and affine transforms: the CoreGraphics functions and the
// Foundation ones built on the same types.

#include "Foundation.h"

#include <algorithm>
#include <cmath>
#include <limits>

const CGRect CGRectNull{
    {std::numeric_limits<CGFloat>::infinity(), std::numeric_limits<CGFloat>::infinity()}, {0, 0}};
const CGAffineTransform CGAffineTransformIdentity{1, 0, 0, 1, 0, 0};

const NSPoint NSZeroPoint{0, 0};
const NSRect NSZeroRect{{0, 0}, {0, 0}};

// ---- CoreGraphics rectangles ---------------------------------------------------------------

CGRect CGRectStandardize(CGRect rect) {
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

CGFloat CGRectGetMinX(CGRect rect) {
    return CGRectStandardize(rect).origin.x;
}
CGFloat CGRectGetMinY(CGRect rect) {
    return CGRectStandardize(rect).origin.y;
}
CGFloat CGRectGetMaxX(CGRect rect) {
    rect = CGRectStandardize(rect);
    return rect.origin.x + rect.size.width;
}
CGFloat CGRectGetMaxY(CGRect rect) {
    rect = CGRectStandardize(rect);
    return rect.origin.y + rect.size.height;
}

bool CGRectIsNull(CGRect rect) {
    return std::isinf(rect.origin.x) || std::isinf(rect.origin.y);
}

// ---- Affine transforms ---------------------------------------------------------------------

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty) {
    return CGAffineTransform{a, b, c, d, tx, ty};
}

CGAffineTransform CGAffineTransformInvert(CGAffineTransform t) {
    const CGFloat determinant = t.a * t.d - t.b * t.c;
    if (determinant == 0 || !std::isfinite(determinant)) return t;
    const CGFloat a = t.d / determinant;
    const CGFloat b = -t.b / determinant;
    const CGFloat c = -t.c / determinant;
    const CGFloat d = t.a / determinant;
    return CGAffineTransform{a, b, c, d, -(t.tx * a + t.ty * c), -(t.tx * b + t.ty * d)};
}

CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t) {
    return CGPoint{t.a * point.x + t.c * point.y + t.tx, t.b * point.x + t.d * point.y + t.ty};
}

CGSize CGSizeApplyAffineTransform(CGSize size, CGAffineTransform t) {
    return CGSize{t.a * size.width + t.c * size.height, t.b * size.width + t.d * size.height};
}

CGRect CGRectApplyAffineTransform(CGRect rect, CGAffineTransform t) {
    if (CGRectIsNull(rect)) return rect;
    rect = CGRectStandardize(rect);
    const CGPoint corners[4] = {
        CGPointApplyAffineTransform(rect.origin, t),
        CGPointApplyAffineTransform(CGPointMake(CGRectGetMaxX(rect), rect.origin.y), t),
        CGPointApplyAffineTransform(CGPointMake(rect.origin.x, CGRectGetMaxY(rect)), t),
        CGPointApplyAffineTransform(CGPointMake(CGRectGetMaxX(rect), CGRectGetMaxY(rect)), t)};
    CGFloat x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const CGPoint& corner : corners) {
        x0 = std::min(x0, corner.x);
        x1 = std::max(x1, corner.x);
        y0 = std::min(y0, corner.y);
        y1 = std::max(y1, corner.y);
    }
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

// ---- Foundation rectangles -----------------------------------------------------------------

bool NSIsEmptyRect(NSRect rect) {
    return !(rect.size.width > 0 && rect.size.height > 0);
}

bool NSEqualRects(NSRect a, NSRect b) {
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
           a.size.height == b.size.height;
}

bool NSEqualPoints(NSPoint a, NSPoint b) {
    return a.x == b.x && a.y == b.y;
}

bool NSEqualSizes(NSSize a, NSSize b) {
    return a.width == b.width && a.height == b.height;
}

bool NSMouseInRect(NSPoint point, NSRect rect, bool flipped) {
    if (NSIsEmptyRect(rect) || point.x < NSMinX(rect) || point.x >= NSMaxX(rect)) return false;
    return flipped ? point.y >= NSMinY(rect) && point.y < NSMaxY(rect)
                   : point.y > NSMinY(rect) && point.y <= NSMaxY(rect);
}

bool NSContainsRect(NSRect outer, NSRect inner) {
    return !NSIsEmptyRect(inner) && NSMinX(inner) >= NSMinX(outer) &&
           NSMinY(inner) >= NSMinY(outer) && NSMaxX(inner) <= NSMaxX(outer) &&
           NSMaxY(inner) <= NSMaxY(outer);
}

NSRect NSIntersectionRect(NSRect a, NSRect b) {
    const CGFloat x0 = std::max(NSMinX(a), NSMinX(b));
    const CGFloat y0 = std::max(NSMinY(a), NSMinY(b));
    const CGFloat x1 = std::min(NSMaxX(a), NSMaxX(b));
    const CGFloat y1 = std::min(NSMaxY(a), NSMaxY(b));
    if (x1 <= x0 || y1 <= y0) return NSZeroRect;
    return NSMakeRect(x0, y0, x1 - x0, y1 - y0);
}

bool NSIntersectsRect(NSRect a, NSRect b) {
    return !NSIsEmptyRect(NSIntersectionRect(a, b));
}

NSRect NSUnionRect(NSRect a, NSRect b) {
    if (NSIsEmptyRect(a)) return NSIsEmptyRect(b) ? NSZeroRect : b;
    if (NSIsEmptyRect(b)) return a;
    const CGFloat x0 = std::min(NSMinX(a), NSMinX(b));
    const CGFloat y0 = std::min(NSMinY(a), NSMinY(b));
    return NSMakeRect(x0, y0, std::max(NSMaxX(a), NSMaxX(b)) - x0,
                      std::max(NSMaxY(a), NSMaxY(b)) - y0);
}
