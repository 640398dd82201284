#include "gl/FixedFunctionProgram.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// The GLSL type of an attribute of one to four components.
constexpr const char* kAttributeTypes[] = {"float", "vec2", "vec3", "vec4"};

// Shared by both stages, after FLAGS and the switches' defines.
constexpr const char* kSwitchTest = R"(
bool on(int flag) { return (FLAGS & flag) != 0; }
)";

constexpr const char* kVertexShader = R"(
out vec4 vColor;
flat out vec4 vFlatColor;
out vec2 vTexCoord;
out float vFogDistance;
// Both ends of a line in window coordinates, for its coverage.
flat out vec4 vLineEnds;

vec4 shade(vec3 eye, vec3 normal, vec4 color)
{
    vec4 ambient = on(COLOR_MATERIAL) ? color : uMaterialAmbient;
    vec4 diffuse = on(COLOR_MATERIAL) ? color : uMaterialDiffuse;
    vec3 lit = uSceneAmbient.rgb * ambient.rgb;
    if (on(LIGHT0)) {
        vec3 toLight = on(POSITIONAL_LIGHT) ? normalize(uLightPosition.xyz - eye) : uLightPosition.xyz;
        lit += uLightAmbient.rgb * ambient.rgb;
        float facing = dot(normal, toLight);
        if (facing > 0.0) {
            lit += facing * uLightDiffuse.rgb * diffuse.rgb;
        }
    }
    return clamp(vec4(lit, diffuse.a), 0.0, 1.0);
}

vec2 generate(vec3 eye, vec3 normal)
{
    vec3 u = normalize(eye);
    vec3 r = u - 2.0 * normal * dot(normal, u);
    if (on(REFLECTION_MAP)) {
        return r.xy;
    }
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    return r.xy / m + 0.5;
}

// What GL's vertex stage makes of one vertex.
struct Shaded {
    vec4 color;
    vec2 texCoord;
    float fogDistance;
};

Shaded process(vec3 position, vec3 objectNormal, vec4 color, vec2 texCoord)
{
    vec4 eye = uModelview * vec4(position, 1.0);
    vec3 normal = uNormalMatrix * objectNormal;
    if (on(RESCALE_NORMAL)) {
        normal *= uNormalScale;
    }
    if (on(NORMALIZE)) {
        normal = normalize(normal);
    }
    Shaded shaded;
    shaded.color = on(LIGHTING) ? shade(eye.xyz, normal, color) : clamp(color, 0.0, 1.0);
    shaded.texCoord = on(SPHERE_MAP) || on(REFLECTION_MAP) ? generate(eye.xyz, normal) : texCoord;
    shaded.fogDistance = abs(eye.z);
    return shaded;
}

vec2 toWindow(vec4 clip) { return (clip.xy / clip.w * 0.5 + 0.5) * uViewportSize; }

// Moves a clip position behind the near plane along its line onto the plane.
vec4 ontoNearPlane(vec4 point, vec4 other)
{
    float d = point.z + point.w;
    float e = other.z + other.w;
    if (d >= 0.0 || e <= 0.0) {
        return point;
    }
    return mix(point, other, d / (d - e));
}

// Wide lines without smoothing as GL rasterisers draw them: a run of round(width) pixels across the line's
// minor axis, with each end moved by the diamond-exit rule so that an end pixel is drawn only when the line
// leaves its diamond. `start` and `end` are the line's first and second vertex in window coordinates with
// rows counted from the top; returns the corner at the first or the second end, on the plus or minus side
// of the minor axis, and how far that end moved.
bool nonNegative(float x) { return x >= 0.0; }

vec2 wideLineCorner(vec2 v1, vec2 v2, bool atFirst, bool plusSide, out vec2 shift)
{
    float dx = v1.x - v2.x;
    float dy = v1.y - v2.y;
    float x1diff = v1.x - floor(v1.x) - 0.5;
    float y1diff = v1.y - floor(v1.y) - 0.5;
    float x2diff = v2.x - floor(v2.x) - 0.5;
    float y2diff = v2.y - floor(v2.y) - 0.5;
    vec2 shiftFirst = vec2(0.0);
    vec2 shiftSecond = vec2(0.0);
    vec2 minor;
    float width = float(max(1, int(floor(uLineHalfWidth * 2.0 + 0.5))));
    bool drawStart;
    bool drawEnd;
    if (abs(dx) >= abs(dy)) {
        float dydx = dy / dx;
        if (y2diff == -0.5 && dy < 0.0) {
            y2diff = 0.5;
        }
        if (abs(x1diff) + abs(y1diff) < 0.5) {
            drawStart = true;
        } else if (nonNegative(x1diff) == nonNegative(-dx)) {
            drawStart = false;
        } else if (nonNegative(-y1diff) != nonNegative(dy)) {
            drawStart = true;
        } else {
            float crossing = fract(v1.y) + x1diff * dydx;
            drawStart = crossing < 1.0 && crossing > 0.0;
        }
        if (abs(x2diff) + abs(y2diff) < 0.5) {
            drawEnd = false;
        } else if (nonNegative(x2diff) != nonNegative(-dx)) {
            drawEnd = false;
        } else if (nonNegative(-y2diff) == nonNegative(dy)) {
            drawEnd = true;
        } else {
            float crossing = fract(v2.y) + x2diff * dydx;
            drawEnd = crossing < 1.0 && crossing > 0.0;
        }
        bool firstOnRight = dx >= 0.0;
        if ((firstOnRight ? x1diff > 0.0 : x1diff <= 0.0) != drawStart) {
            shiftFirst.x = firstOnRight ? -x1diff + 0.5 : -x1diff - 0.5;
        }
        if ((firstOnRight ? x2diff <= 0.0 : x2diff > 0.0) != drawEnd) {
            shiftSecond.x = firstOnRight ? -x2diff + 0.5 : -x2diff - 0.5;
        }
        shiftFirst.y = shiftFirst.x * dydx;
        shiftSecond.y = shiftSecond.x * dydx;
        minor = vec2(0.0, width * 0.5);
    } else {
        float dxdy = dx / dy;
        if (x2diff == -0.5 && dx < 0.0) {
            x2diff = 0.5;
        }
        if (abs(x1diff) + abs(y1diff) < 0.5) {
            drawStart = true;
        } else if (nonNegative(-y1diff) == nonNegative(dy)) {
            drawStart = false;
        } else if (nonNegative(x1diff) != nonNegative(-dx)) {
            drawStart = true;
        } else {
            float crossing = fract(v1.x) + y1diff * dxdy;
            drawStart = crossing < 1.0 && crossing > 0.0;
        }
        if (abs(x2diff) + abs(y2diff) < 0.5) {
            drawEnd = false;
        } else if (nonNegative(-y2diff) != nonNegative(dy)) {
            drawEnd = false;
        } else if (nonNegative(x2diff) == nonNegative(-dx)) {
            drawEnd = true;
        } else {
            float crossing = fract(v2.x) + y2diff * dxdy;
            drawEnd = crossing < 1.0 && crossing >= 0.0;
        }
        bool firstBelow = dy > 0.0;
        if ((firstBelow ? y1diff > 0.0 : y1diff <= 0.0) != drawStart) {
            shiftFirst.y = firstBelow ? -y1diff + 0.5 : -y1diff - 0.5;
        }
        if ((firstBelow ? y2diff <= 0.0 : y2diff > 0.0) != drawEnd) {
            shiftSecond.y = firstBelow ? -y2diff + 0.5 : -y2diff - 0.5;
        }
        shiftFirst.x = shiftFirst.y * dxdy;
        shiftSecond.x = shiftSecond.y * dxdy;
        minor = vec2(width * 0.5, 0.0);
    }
    shift = atFirst ? shiftFirst : shiftSecond;
    return (atFirst ? v1 : v2) + shift + (plusSide ? minor : -minor);
}

void main()
{
    Shaded shaded = process(aPosition, aNormal, aColor, aTexCoord);

    vec4 clip = uModelviewProjection * vec4(aPosition, 1.0);
    vLineEnds = vec4(0.0);
    if (on(LINE_QUADS)) {
        vec4 other = uModelviewProjection * vec4(aOtherEnd, 1.0);
        if (clip.z + clip.w < 0.0 && other.z + other.w < 0.0) {
            gl_Position = vec4(0.0, 0.0, 2.0, 1.0); // wholly behind the eye: clipped away
            vColor = vFlatColor = vec4(0.0);
            vTexCoord = vec2(0.0);
            vFogDistance = 0.0;
            return;
        }
        vec4 near = ontoNearPlane(clip, other);
        other = ontoNearPlane(other, clip);
        clip = near;
        vec2 here = toWindow(clip);
        vec2 there = toWindow(other);
        int corner = int(aCorner + 0.5);
        float side = (corner & 1) == 0 ? 1.0 : -1.0;
        vec2 offset;
        if (on(LINE_SMOOTH)) {
            // A rectangle half a pixel wider on each side and longer at each end, for the coverage ramp.
            vec2 along = there - here;
            along = length(along) > 0.0 ? normalize(along) : vec2(1.0, 0.0);
            offset = side * vec2(-along.y, along.x) * (uLineHalfWidth + 0.5) - along * 0.5;
        } else {
            // Placed in window coordinates with rows counted from the top, as the rasteriser sees them.
            bool first = (corner & 2) == 0;
            vec2 flipped = vec2(1.0, -1.0);
            vec2 top = vec2(0.0, uViewportSize.y);
            vec2 start = first ? here : there;
            vec2 end = first ? there : here;
            vec2 shift;
            vec2 placed = wideLineCorner(start * flipped + top, end * flipped + top, first, first == (side > 0.0), shift);
            offset = (placed - top) * flipped - here;
            // What is drawn varies along the line only, between its ends where they were: a moved end takes
            // the depth, colour and coordinates of where it moved to.
            vec2 span = (there - here) * flipped;
            float moved = abs(span.x) >= abs(span.y) ? shift.x / span.x : shift.y / span.y;
            if (moved != 0.0 && !isnan(moved) && !isinf(moved)) {
                clip.z = mix(clip.z / clip.w, other.z / other.w, moved) * clip.w;
                Shaded far = process(aOtherEnd, aOtherNormal, aOtherColor, aOtherTexCoord);
                shaded.color = mix(shaded.color, far.color, moved);
                shaded.texCoord = mix(shaded.texCoord, far.texCoord, moved);
                shaded.fogDistance = mix(shaded.fogDistance, far.fogDistance, moved);
            }
        }
        clip.xy += offset / uViewportSize * 2.0 * clip.w;
        vLineEnds = vec4(here, there);
    }
    vColor = shaded.color;
    vFlatColor = shaded.color;
    vTexCoord = shaded.texCoord;
    vFogDistance = shaded.fogDistance;
    gl_Position = clip;
}
)";

constexpr const char* kFragmentShader = R"(
in vec4 vColor;
flat in vec4 vFlatColor;
in vec2 vTexCoord;
in float vFogDistance;
flat in vec4 vLineEnds;

out vec4 fragColor;

void main()
{
    vec4 color = on(FLAT) ? vFlatColor : vColor;
    if (on(TEXTURE)) {
        color *= texture(uTexture, vTexCoord);
    }
    if (on(FOG)) {
        float f = clamp(exp(-uFogDensity * vFogDistance), 0.0, 1.0);
        color.rgb = mix(uFogColor.rgb, color.rgb, f);
    }
    if (on(LINE_QUADS) && on(LINE_SMOOTH)) {
        vec2 a = vLineEnds.xy;
        vec2 b = vLineEnds.zw;
        float span = length(b - a);
        vec2 along = span > 0.0 ? (b - a) / span : vec2(1.0, 0.0);
        vec2 p = gl_FragCoord.xy - a;
        float t = dot(p, along);
        float across = abs(dot(p, vec2(-along.y, along.x)));
        float beyond = max(-t, t - span);
        color.a *= clamp(uLineHalfWidth + 0.5 - across, 0.0, 1.0) * clamp(0.5 - beyond, 0.0, 1.0);
    }
    fragColor = color;
}
)";

GLuint compile(GLenum stage, const std::string& source)
{
    const GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "The %s shader does not compile: %s\n", stage == GL_VERTEX_SHADER ? "vertex" : "fragment",
                     log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

const char* glslType(fixed_function::UniformType type)
{
    using T = fixed_function::UniformType;
    switch (type) {
    case T::Float: return "float";
    case T::Vec2: return "vec2";
    case T::Vec4: return "vec4";
    case T::Mat3: return "mat3";
    case T::Mat4: return "mat4";
    default: return "sampler2D";
    }
}

// What both stages open with: the version, the flag word and the switches' defines, every uniform.
std::string header(bool es, int flags)
{
    std::string text = es ? "#version 300 es\nprecision highp float;\nprecision highp int;\n" : "#version 330 core\n";
    text += "#define FLAGS " + std::to_string(flags) + "\n";
    for (int i = 0; i < fixed_function::kSwitchCount; ++i) {
        text += std::string("#define ") + fixed_function::kSwitchNames[i] + " " + std::to_string(1 << i) + "\n";
    }
    text += kSwitchTest;
    for (const auto& uniform : fixed_function::kUniforms) {
        text += std::string("uniform ") + glslType(uniform.type) + " " + uniform.name + ";\n";
    }
    return text;
}

std::string attributeDeclarations()
{
    std::string text;
    for (const auto& attribute : fixed_function::kAttributes) {
        text += std::string("in ") + kAttributeTypes[attribute.components - 1] + " " + attribute.name + ";\n";
    }
    return text;
}

void upload(fixed_function::UniformType type, GLint location, const float* value)
{
    using T = fixed_function::UniformType;
    switch (type) {
    case T::Float: glUniform1f(location, value[0]); break;
    case T::Vec2: glUniform2f(location, value[0], value[1]); break;
    case T::Vec4: glUniform4fv(location, 1, value); break;
    case T::Mat3: glUniformMatrix3fv(location, 1, GL_FALSE, value); break;
    case T::Mat4: glUniformMatrix4fv(location, 1, GL_FALSE, value); break;
    default: break;
    }
}

} // namespace

FixedFunctionProgram::FixedFunctionProgram()
    : variants([this](int flags, GLint* locations) { return make(flags, locations); })
{
}

bool FixedFunctionProgram::use(int flags, const fixed_function::UniformValues& values)
{
    ProgramVariants::Variant* variant = variants.find(flags);
    if (variant == nullptr) {
        return false;
    }
    if (variant->program != current) {
        glUseProgram(variant->program);
        current = variant->program;
    }
    const std::uint32_t changed = ProgramVariants::changed(*variant, values);
    for (int u = 0; u < fixed_function::kUniformCount; ++u) {
        if ((changed & (std::uint32_t{1} << u)) != 0) {
            upload(fixed_function::kUniforms[u].type, variant->locations[u], values.rows[u]);
        }
    }
    return true;
}

GLuint FixedFunctionProgram::make(int flags, GLint* locations)
{
    const std::string opening = header(es, flags);
    const GLuint vertex = compile(GL_VERTEX_SHADER, opening + attributeDeclarations() + kVertexShader);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, opening + kFragmentShader);
    if (vertex == 0 || fragment == 0) {
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    for (GLuint location = 0; location < fixed_function::kAttributeCount; ++location) {
        glBindAttribLocation(program, location, fixed_function::kAttributes[location].name);
    }
    glLinkProgram(program);
    glDetachShader(program, vertex);
    glDetachShader(program, fragment);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "The shader program does not link: %s\n", log);
        glDeleteProgram(program);
        return 0;
    }
    for (int u = 0; u < fixed_function::kUniformCount; ++u) {
        locations[u] = glGetUniformLocation(program, fixed_function::kUniforms[u].name);
    }
    glUseProgram(program);
    current = program;
    glUniform1i(locations[static_cast<int>(fixed_function::Uniform::Texture)], 0);
    return program;
}

void FixedFunctionProgram::destroy()
{
    for (GLuint program : variants.programs()) {
        glDeleteProgram(program);
    }
    variants.clear();
    current = 0;
}
