// A triangle that covers the viewport: no vertex data, three corners from
// the vertex's number.
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0);
    gl_Position = vec4(corner, 0.0, 1.0);
}
