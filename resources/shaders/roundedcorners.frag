// The picture of an item inside its rounded corners: a collage cell with the
// template's corner radius, as the saved collage cuts it. Outside the corner
// arcs it is transparent, and their edge is smoothed over one pixel.
#version 440

layout(location = 0) in vec2 qt_TexCoord0;
layout(location = 0) out vec4 fragColor;

layout(std140, binding = 0) uniform buf {
    mat4 qt_Matrix;
    float qt_Opacity;
    vec2 size;     // the item's size, in its own pixels
    float radius;  // the corners' radius, in the same pixels
};

layout(binding = 1) uniform sampler2D source;

void main()
{
    // How far the point lies outside the rectangle with rounded corners.
    vec2 half_ = size * 0.5;
    vec2 q = abs(qt_TexCoord0 * size - half_) - (half_ - vec2(radius));
    float outside = length(max(q, 0.0)) - radius;
    fragColor = texture(source, qt_TexCoord0) * (clamp(0.5 - outside, 0.0, 1.0) * qt_Opacity);
}
