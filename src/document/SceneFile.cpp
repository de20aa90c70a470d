// SPDX-License-Identifier: GPL-3.0-or-later
#include "SceneFile.h"

#include "DrawBudget.h"
#include "FileText.h"
#include "SafeFileQt.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLLines.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"
#include "TSceneDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <unistd.h>

namespace scenefile {
namespace {

const QString kFormat = QStringLiteral("corvane-scene");
// More objects than any scene a person builds; a file asking for more is
// damaged or hostile.
constexpr int kMaxObjects = 1000000;
// The largest picture a texture is made from (as the view's reader takes).
constexpr std::uint64_t kMaxTextureFileBytes = std::uint64_t(1) << 30;

// --- Writing ---------------------------------------------------------------

// The shortest decimal that reads back as the same float, as a JSON number.
QJsonValue Number(float f)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, f);
    return QJsonValue(std::strtod(std::string(buffer, result.ptr).c_str(), nullptr));
}

template <std::size_t N> QJsonArray Numbers(const std::array<float, N>& values)
{
    QJsonArray array;
    for (float v : values)
        array.append(Number(v));
    return array;
}

QString ClassOf(const TGLObject* obj)
{
    if (dynamic_cast<const TGLLight*>(obj))
        return QStringLiteral("TGLLight");
    if (dynamic_cast<const TGLCube*>(obj))
        return QStringLiteral("TGLCube");
    if (dynamic_cast<const TGLPyramid*>(obj))
        return QStringLiteral("TGLPyramid");
    if (dynamic_cast<const TGLPlane*>(obj))
        return QStringLiteral("TGLPlane");
    if (dynamic_cast<const TGLIcosahedron*>(obj))
        return QStringLiteral("TGLIcosahedron");
    if (dynamic_cast<const TGLPolyObject*>(obj))
        return QStringLiteral("TGLPolyObject");
    if (dynamic_cast<const TGLLines*>(obj))
        return QStringLiteral("TGLLines");
    return QString();
}

// A path as the file keeps it: relative to the scene's folder when the file
// lies in that folder's tree or its parent's, absolute otherwise.
QString StoredPath(const QString& path, const QString& sceneFolder)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString relative = QDir(sceneFolder).relativeFilePath(absolute);
    if (relative.startsWith(QLatin1String("../../")) || QDir::isAbsolutePath(relative))
        return absolute;
    return relative;
}

QString Base64Of(const void* data, std::size_t bytes)
{
    return QString::fromLatin1(
        QByteArray::fromRawData(static_cast<const char*>(data), static_cast<qsizetype>(bytes)).toBase64());
}

// Little-endian bytes of 32-bit values (the machines we run on are little-endian;
// the check keeps a port honest).
static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4, "32-bit values expected");

QJsonObject MeshJson(const TGLPolyObject& poly, const QString& sceneFolder)
{
    QJsonObject mesh;
    if (!poly.GetSourceFile().empty())
        mesh.insert(
            QStringLiteral("file"),
            StoredPath(QFile::decodeName(QByteArray::fromStdString(poly.GetSourceFile())), sceneFolder));
    const int n = poly.GetVertexCount();
    mesh.insert(QStringLiteral("vertexCount"), n);
    std::vector<float> vertices;
    vertices.reserve(static_cast<std::size_t>(n) * 3);
    for (int k = 1; k <= n; ++k)
        vertices.insert(vertices.end(), poly.GetVertex(k), poly.GetVertex(k) + 3);
    std::vector<std::int32_t> sizes, indices;
    sizes.reserve(static_cast<std::size_t>(poly.GetFaceCount()));
    for (int i = 0; i < poly.GetFaceCount(); ++i) {
        const std::vector<int> face = poly.GetFaceIndices(i);
        sizes.push_back(static_cast<std::int32_t>(face.size()));
        indices.insert(indices.end(), face.begin(), face.end());
    }
    mesh.insert(QStringLiteral("vertices"), Base64Of(vertices.data(), vertices.size() * 4));
    mesh.insert(QStringLiteral("faceSizes"), Base64Of(sizes.data(), sizes.size() * 4));
    mesh.insert(QStringLiteral("faceIndices"), Base64Of(indices.data(), indices.size() * 4));
    return mesh;
}

// Polylines as their points one after another and each line's count of them.
QJsonObject LinesJson(const TGLLines& lines)
{
    std::vector<float> points;
    std::vector<std::int32_t> sizes;
    for (const std::vector<TGLLines::Point>& line : lines.GetLines()) {
        sizes.push_back(static_cast<std::int32_t>(line.size()));
        for (const TGLLines::Point& p : line)
            points.insert(points.end(), p.begin(), p.end());
    }
    QJsonObject o;
    o.insert(QStringLiteral("width"), Number(lines.GetLineWidth()));
    o.insert(QStringLiteral("lineSizes"), Base64Of(sizes.data(), sizes.size() * 4));
    o.insert(QStringLiteral("points"), Base64Of(points.data(), points.size() * 4));
    return o;
}

QJsonObject ObjectJson(TGLObject* obj, const QString& sceneFolder)
{
    const TObjectState s = TObjectState::Capture(*obj);
    QJsonObject o;
    o.insert(QStringLiteral("class"), ClassOf(obj));
    o.insert(QStringLiteral("position"), Numbers(s.Position));
    o.insert(QStringLiteral("rotation"), Numbers(s.Rotation));
    o.insert(QStringLiteral("scale"), Numbers(s.Scale));
    o.insert(QStringLiteral("color"), Numbers(s.Color));
    o.insert(QStringLiteral("specular"), Numbers(s.Specular));
    o.insert(QStringLiteral("shininess"), Number(s.Shininess));
    if (s.Detail >= 0)
        o.insert(QStringLiteral("detail"), s.Detail);
    if (s.Texture != 0) {
        const QString picture = TextureFileOf(s.Texture);
        if (!picture.isEmpty())
            o.insert(QStringLiteral("texture"), StoredPath(picture, sceneFolder));
    }
    if (IsLightObject(obj)) {
        QJsonObject light;
        light.insert(QStringLiteral("ambient"), Numbers(s.Ambient));
        light.insert(QStringLiteral("diffuse"), Numbers(s.Diffuse));
        light.insert(QStringLiteral("specular"), Numbers(s.LightSpecular));
        light.insert(QStringLiteral("directional"), s.W == 0);
        o.insert(QStringLiteral("light"), light);
    }
    if (const auto* poly = dynamic_cast<const TGLPolyObject*>(obj))
        o.insert(QStringLiteral("mesh"), MeshJson(*poly, sceneFolder));
    if (const auto* lines = dynamic_cast<const TGLLines*>(obj))
        o.insert(QStringLiteral("lines"), LinesJson(*lines));
    return o;
}

QJsonObject ViewJson(const TViewState& v)
{
    QJsonObject view;
    view.insert(QStringLiteral("cameraRotation"), Numbers(v.CameraRotation));
    view.insert(QStringLiteral("cameraTranslation"), Numbers(v.CameraTranslation));
    view.insert(QStringLiteral("zoom"), Number(v.Zoom));
    view.insert(QStringLiteral("perspective"), v.Perspective);
    view.insert(QStringLiteral("wireFrame"), v.WireFrame);
    view.insert(QStringLiteral("axes"), v.DrawAxis);
    view.insert(QStringLiteral("lighting"), v.Lighting);
    view.insert(QStringLiteral("rotateXY"), v.RotateXY);
    view.insert(QStringLiteral("background"),
                v.BackColorSet ? QJsonValue(Numbers(v.BackColor)) : QJsonValue());
    QJsonObject animation;
    animation.insert(QStringLiteral("spins"), v.AnimateFlags);
    animation.insert(QStringLiteral("step"), v.AnimateStep);
    animation.insert(QStringLiteral("interval"), v.AnimationInterval);
    view.insert(QStringLiteral("animation"), animation);
    return view;
}

// --- Reading ---------------------------------------------------------------

// A problem with one field; the object or setting that has it is left out.
struct FieldError {
    QString text;
};

std::optional<float> FiniteFloat(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(d);
}

template <std::size_t N>
std::array<float, N> Vector(const QJsonObject& o, const char* key, std::array<float, N> def)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return def;
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != static_cast<qsizetype>(N))
        throw FieldError{QStringLiteral("'%1' must be a list of %2 numbers").arg(QLatin1String(key)).arg(N)};
    std::array<float, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::optional<float> f = FiniteFloat(a.at(static_cast<qsizetype>(i)));
        if (!f)
            throw FieldError{
                QStringLiteral("'%1' holds something that is not a finite number").arg(QLatin1String(key))};
        out[i] = *f;
    }
    return out;
}

float Scalar(const QJsonObject& o, const char* key, float def)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return def;
    const std::optional<float> f = FiniteFloat(v);
    if (!f)
        throw FieldError{QStringLiteral("'%1' must be a finite number").arg(QLatin1String(key))};
    return *f;
}

int Integer(const QJsonObject& o, const char* key, int def, int low, int high)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return def;
    const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!v.isDouble() || d != std::floor(d) || d < low || d > high)
        throw FieldError{QStringLiteral("'%1' must be a whole number from %2 to %3")
                             .arg(QLatin1String(key))
                             .arg(low)
                             .arg(high)};
    return static_cast<int>(d);
}

bool Boolean(const QJsonObject& o, const char* key, bool def)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return def;
    if (!v.isBool())
        throw FieldError{QStringLiteral("'%1' must be true or false").arg(QLatin1String(key))};
    return v.toBool();
}

// 32-bit little-endian values from base64 text, or from a list of numbers.
template <typename T> std::vector<T> Values(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    std::vector<T> out;
    if (v.isString()) {
        const QByteArray bytes =
            QByteArray::fromBase64(v.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (bytes.size() % 4 != 0 || (bytes.isEmpty() && !v.toString().isEmpty()))
            throw FieldError{
                QStringLiteral("'%1' is not valid base64 of 32-bit values").arg(QLatin1String(key))};
        out.resize(static_cast<std::size_t>(bytes.size() / 4));
        if (!bytes.isEmpty()) // an empty list has no storage to copy from or to
            std::memcpy(out.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    } else if (v.isArray()) {
        const QJsonArray a = v.toArray();
        out.reserve(static_cast<std::size_t>(a.size()));
        for (const QJsonValue& e : a) {
            const double d = e.toDouble(std::numeric_limits<double>::quiet_NaN());
            if (!e.isDouble() || !std::isfinite(d) ||
                (std::is_integral_v<T> && (d != std::floor(d) || std::fabs(d) > 2147483647.0)))
                throw FieldError{QStringLiteral("'%1' holds something that is not a number of its kind")
                                     .arg(QLatin1String(key))};
            out.push_back(static_cast<T>(d));
        }
    } else {
        throw FieldError{QStringLiteral("'%1' is missing").arg(QLatin1String(key))};
    }
    return out;
}

// Geometry embedded in the file, checked as the coordinate-file reader checks
// its files.
std::unique_ptr<TGLPolyObject> EmbeddedMesh(const QJsonObject& mesh)
{
    coordfile::Mesh m;
    m.vertices = Values<float>(mesh, "vertices");
    const std::vector<std::int32_t> sizes = Values<std::int32_t>(mesh, "faceSizes");
    m.indices = Values<std::int32_t>(mesh, "faceIndices");
    if (m.vertices.empty() || m.vertices.size() % 3 != 0)
        throw FieldError{QStringLiteral("the embedded vertices are not a whole number of points")};
    if (m.vertices.size() / 3 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw FieldError{QStringLiteral("too many embedded vertices")};
    m.vertexCount = static_cast<std::int32_t>(m.vertices.size() / 3);
    const int declared =
        Integer(mesh, "vertexCount", m.vertexCount, 0, std::numeric_limits<std::int32_t>::max());
    if (declared != m.vertexCount)
        throw FieldError{QStringLiteral("'vertexCount' says %1 but %2 vertices are embedded")
                             .arg(declared)
                             .arg(m.vertexCount)};
    for (float f : m.vertices)
        if (!std::isfinite(f))
            throw FieldError{QStringLiteral("an embedded vertex is not a finite number")};
    m.minX = m.maxX = m.vertices[0];
    m.minY = m.maxY = m.vertices[1];
    m.minZ = m.maxZ = m.vertices[2];
    for (std::size_t k = 0; k < m.vertices.size(); k += 3) {
        m.minX = std::min(m.minX, m.vertices[k]);
        m.maxX = std::max(m.maxX, m.vertices[k]);
        m.minY = std::min(m.minY, m.vertices[k + 1]);
        m.maxY = std::max(m.maxY, m.vertices[k + 1]);
        m.minZ = std::min(m.minZ, m.vertices[k + 2]);
        m.maxZ = std::max(m.maxZ, m.vertices[k + 2]);
    }
    std::size_t at = 0;
    m.faces.reserve(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::int32_t count = sizes[i];
        if (count < 3 || static_cast<std::size_t>(count) > m.indices.size() - at)
            throw FieldError{QStringLiteral("embedded face %1 has a bad vertex count").arg(i + 1)};
        TPolyFace face;
        face.Count = count;
        face.First = static_cast<std::int32_t>(at);
        for (std::int32_t j = 0; j < count; ++j) {
            const std::int32_t k = m.indices[at + static_cast<std::size_t>(j)];
            if (k < 1 || k > m.vertexCount)
                throw FieldError{QStringLiteral("embedded face %1 names vertex %2, outside 1..%3")
                                     .arg(i + 1)
                                     .arg(k)
                                     .arg(m.vertexCount)};
        }
        at += static_cast<std::size_t>(count);
        m.faces.push_back(face);
    }
    if (at != m.indices.size())
        throw FieldError{QStringLiteral("the embedded faces do not use all their vertex numbers")};
    auto poly = std::make_unique<TGLPolyObject>();
    poly->SetMesh(std::move(m));
    return poly;
}

// Polylines embedded in the file: every line's points there, finite.
std::unique_ptr<TGLLines> LinesObject(const QJsonObject& o)
{
    const QJsonValue value = o.value(QLatin1String("lines"));
    if (!value.isObject())
        throw FieldError{QStringLiteral("'lines' is missing")};
    const QJsonObject lines = value.toObject();
    const std::vector<float> points = Values<float>(lines, "points");
    const std::vector<std::int32_t> sizes = Values<std::int32_t>(lines, "lineSizes");
    if (points.size() % 3 != 0)
        throw FieldError{QStringLiteral("the lines' points are not a whole number of points")};
    for (float f : points)
        if (!std::isfinite(f))
            throw FieldError{QStringLiteral("a line's point is not a finite number")};
    std::vector<std::vector<TGLLines::Point>> read;
    read.reserve(sizes.size());
    std::size_t at = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] < 0 || static_cast<std::size_t>(sizes[i]) > (points.size() - at) / 3)
            throw FieldError{QStringLiteral("line %1 has a bad point count").arg(i + 1)};
        std::vector<TGLLines::Point> line(static_cast<std::size_t>(sizes[i]));
        for (TGLLines::Point& p : line) {
            p = {points[at], points[at + 1], points[at + 2]};
            at += 3;
        }
        read.push_back(std::move(line));
    }
    if (at != points.size())
        throw FieldError{QStringLiteral("the lines do not use all their points")};
    const float width = Scalar(lines, "width", 1);
    if (width < 0.5f || width > 20)
        throw FieldError{QStringLiteral("'width' must lie between 0.5 and 20")};
    auto object = std::make_unique<TGLLines>();
    object->SetLines(std::move(read));
    object->SetLineWidth(width);
    return object;
}

// Whether fileName is a regular file of at most maxBytes, which a reader can
// open without blocking; the reason in problem when not.
bool Openable(const QString& fileName, std::uint64_t maxBytes, std::string& problem)
{
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(QFile::encodeName(fileName).toStdString(), maxBytes, size, problem);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QString Resolve(const QString& stored, const QString& sceneFolder)
{
    return QDir::isAbsolutePath(stored) ? stored : QDir(sceneFolder).absoluteFilePath(stored);
}

std::unique_ptr<TGLPolyObject> MeshObject(const QJsonObject& o, const QString& sceneFolder)
{
    const QJsonValue value = o.value(QLatin1String("mesh"));
    if (!value.isObject())
        throw FieldError{QStringLiteral("'mesh' is missing")};
    const QJsonObject mesh = value.toObject();
    QString file;
    if (mesh.contains(QLatin1String("file"))) {
        if (!mesh.value(QLatin1String("file")).isString())
            throw FieldError{QStringLiteral("'file' must be a text")};
        file = Resolve(mesh.value(QLatin1String("file")).toString(), sceneFolder);
    }
    // Embedded geometry is the scene's own: it wins over the file, which may
    // have changed or moved since.
    if (mesh.contains(QLatin1String("vertices"))) {
        auto poly = EmbeddedMesh(mesh);
        if (!file.isEmpty())
            poly->SetSourceFile(QFile::encodeName(file).toStdString());
        return poly;
    }
    if (file.isEmpty())
        throw FieldError{QStringLiteral("the mesh has neither a file nor embedded geometry")};
    auto poly = std::make_unique<TGLPolyObject>();
    QString problem;
    if (!poly->LoadFromFile(QFile::encodeName(file).toStdString(), [&](const std::string& text) {
            problem = QFile::decodeName(QByteArray::fromStdString(text));
        }))
        throw FieldError{problem.isEmpty() ? QStringLiteral("its mesh file %1 cannot be read").arg(file)
                                           : problem};
    return poly;
}

class Loader {
public:
    Loader(TSceneDocument& doc, const QString& sceneFolder, QStringList& skipped)
        : FDoc(doc), FFolder(sceneFolder), FSkipped(skipped)
    {
    }

    void View(const QJsonObject& v)
    {
        TViewState& view = FDoc.LiveView();
        Try(QStringLiteral("view"),
            [&] { view.CameraRotation = Vector(v, "cameraRotation", view.CameraRotation); });
        Try(QStringLiteral("view"),
            [&] { view.CameraTranslation = Vector(v, "cameraTranslation", view.CameraTranslation); });
        Try(QStringLiteral("view"), [&] {
            const float zoom = Scalar(v, "zoom", view.Zoom);
            if (zoom < 1e-3f || zoom > 1e3f)
                throw FieldError{QStringLiteral("'zoom' must lie between 0.001 and 1000")};
            view.Zoom = zoom;
        });
        Try(QStringLiteral("view"), [&] { view.Perspective = Boolean(v, "perspective", view.Perspective); });
        Try(QStringLiteral("view"), [&] { view.WireFrame = Boolean(v, "wireFrame", view.WireFrame); });
        Try(QStringLiteral("view"), [&] { view.DrawAxis = Boolean(v, "axes", view.DrawAxis); });
        Try(QStringLiteral("view"), [&] { view.Lighting = Boolean(v, "lighting", view.Lighting); });
        Try(QStringLiteral("view"), [&] { view.RotateXY = Boolean(v, "rotateXY", view.RotateXY); });
        Try(QStringLiteral("view"), [&] {
            const QJsonValue back = v.value(QLatin1String("background"));
            if (back.isUndefined() || back.isNull())
                return;
            view.BackColor = Vector(v, "background", view.BackColor);
            for (float c : view.BackColor)
                if (c < 0 || c > 1)
                    throw FieldError{QStringLiteral("'background' components must lie between 0 and 1")};
            view.BackColorSet = true;
        });
        const QJsonValue animation = v.value(QLatin1String("animation"));
        if (animation.isObject()) {
            const QJsonObject a = animation.toObject();
            Try(QStringLiteral("view"),
                [&] { view.AnimateFlags = Integer(a, "spins", view.AnimateFlags, 0, 63); });
            Try(QStringLiteral("view"),
                [&] { view.AnimateStep = Integer(a, "step", view.AnimateStep, -360, 360); });
            Try(QStringLiteral("view"),
                [&] { view.AnimationInterval = Integer(a, "interval", view.AnimationInterval, 0, 3600000); });
        } else if (!animation.isUndefined()) {
            FSkipped << QStringLiteral(
                "view: 'animation' must be an object; its settings were left as they are");
        }
    }

    void Object(int number, const QJsonValue& value)
    {
        const QString where = QStringLiteral("object %1").arg(number);
        if (!value.isObject()) {
            FSkipped << where + QStringLiteral(": not an object; left out");
            return;
        }
        const QJsonObject o = value.toObject();
        const QString cls = o.value(QLatin1String("class")).toString();
        // A light takes its unit as it is made and gives it back if it is left out.
        auto token = FDoc.EnterContext();
        try {
            std::unique_ptr<TGLObject> obj = Make(cls, o);
            TObjectState s = TObjectState::Capture(*obj);
            s.Position = Vector(o, "position", s.Position);
            s.Rotation = Vector(o, "rotation", s.Rotation);
            s.Scale = Vector(o, "scale", s.Scale);
            s.Color = Vector(o, "color", s.Color);
            s.Specular = Vector(o, "specular", s.Specular);
            s.Shininess = Scalar(o, "shininess", s.Shininess);
            if (s.Detail >= 0)
                s.Detail = Integer(o, "detail", s.Detail, 0, TGLIcosahedron::kMaxDepth);
            if (IsLightObject(obj.get())) {
                const QJsonObject light = o.value(QLatin1String("light")).toObject();
                s.Ambient = Vector(light, "ambient", s.Ambient);
                s.Diffuse = Vector(light, "diffuse", s.Diffuse);
                s.LightSpecular = Vector(light, "specular", s.LightSpecular);
                s.W = Boolean(light, "directional", s.W == 0) ? 0.0f : 1.0f;
            }
            s.Texture = 0;
            if (o.contains(QLatin1String("texture")))
                s.Texture = Texture(where, o.value(QLatin1String("texture")));
            s.Apply(*obj);
            obj->SetID(++FLastID);
            FDoc.Attach(FDoc.Count(), obj);
        } catch (const FieldError& e) {
            FSkipped << QStringLiteral("%1 (%2): %3; left out")
                            .arg(where, cls.isEmpty() ? QStringLiteral("?") : cls, e.text);
        }
    }

private:
    template <typename F> void Try(const QString& where, F f)
    {
        try {
            f();
        } catch (const FieldError& e) {
            FSkipped << QStringLiteral("%1: %2; the setting was left as it is").arg(where, e.text);
        }
    }

    std::unique_ptr<TGLObject> Make(const QString& cls, const QJsonObject& o)
    {
        if (cls == QLatin1String("TGLCube"))
            return std::make_unique<TGLCube>(0, 0);
        if (cls == QLatin1String("TGLPyramid"))
            return std::make_unique<TGLPyramid>(0, 0);
        if (cls == QLatin1String("TGLPlane"))
            return std::make_unique<TGLPlane>(0, 0);
        if (cls == QLatin1String("TGLIcosahedron"))
            return std::make_unique<TGLIcosahedron>(0, 0);
        if (cls == QLatin1String("TGLPolyObject"))
            return MeshObject(o, FFolder);
        if (cls == QLatin1String("TGLLines"))
            return LinesObject(o);
        if (cls == QLatin1String("TGLLight")) {
            if (TGLLight::GetLightCount() >= TGLLight::kMaxLights)
                throw FieldError{QStringLiteral("all %1 light units are in use").arg(TGLLight::kMaxLights)};
            return std::make_unique<TGLLight>(0, 0);
        }
        throw FieldError{cls.isEmpty() ? QStringLiteral("it has no 'class'")
                                       : QStringLiteral("'%1' is not a class of scene object").arg(cls)};
    }

    GLuint Texture(const QString& where, const QJsonValue& value)
    {
        if (!value.isString()) {
            FSkipped << where + QStringLiteral(": 'texture' must be a file name; drawn without texture");
            return 0;
        }
        const QString file = QFileInfo(Resolve(value.toString(), FFolder)).absoluteFilePath();
        if (FTextures.contains(file))
            return FTextures.value(file);
        GLuint name = 0;
        QString problem;
        std::string unfit;
        // A missing picture is the host's to report; one that exists must be
        // a regular file the host's reader can open without blocking.
        if (QFileInfo::exists(file) && !Openable(file, kMaxTextureFileBytes, unfit)) {
            problem = QFile::decodeName(QByteArray::fromStdString(unfit));
        } else if (!FDoc.Host()) {
            problem = QStringLiteral("there is no view to make a texture in");
        } else {
            try {
                name = FDoc.Host()->LoadTexture(file);
                RememberTextureFile(name, file);
            } catch (const std::exception& e) {
                problem = QString::fromStdString(e.what());
            }
        }
        if (name == 0)
            FSkipped << QStringLiteral("%1: texture %2: %3; drawn without texture").arg(where, file, problem);
        FTextures.insert(file, name);
        return name;
    }

    TSceneDocument& FDoc;
    QString FFolder;
    QStringList& FSkipped;
    QHash<QString, GLuint> FTextures;
    int FLastID = 0;
};

// A scene that would draw more than a frame can take keeps its objects, its
// most detailed shapes lowered to the detail at which it fits.
void LimitDrawing(TSceneDocument& doc, QStringList& skipped)
{
    const std::vector<TGLObject*> objects = doc.Objects();
    const std::uint64_t asked = drawbudget::Triangles(objects, TGLIcosahedron::kMaxDepth);
    if (asked <= drawbudget::kMaxTriangles)
        return;
    const int cap = drawbudget::FittingCap(objects);
    int lowered = 0;
    for (TGLObject* obj : objects)
        if (obj->GetDetail() > cap) {
            obj->SetDetail(cap);
            ++lowered;
        }
    const std::uint64_t drawn = drawbudget::Triangles(objects, cap);
    QString line =
        QStringLiteral("the scene would draw %1 triangles a frame, more than the %2 a frame can take")
            .arg(asked)
            .arg(drawbudget::kMaxTriangles);
    if (lowered > 0)
        line += QStringLiteral("; %1 objects were lowered to detail %2, so it draws %3")
                    .arg(lowered)
                    .arg(cap)
                    .arg(drawn);
    if (drawn > drawbudget::kMaxTriangles)
        line += QStringLiteral("; even so it is more than a frame can take, and it will draw slowly");
    skipped << line;
}

} // namespace

QByteArray ToText(const TSceneDocument& doc, const QString& sceneFolder)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), kFormat);
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("view"), ViewJson(doc.View()));
    QJsonArray objects;
    for (TGLObject* obj : doc.Objects())
        objects.append(ObjectJson(obj, sceneFolder));
    root.insert(QStringLiteral("objects"), objects);
    root.insert(QStringLiteral("current"), doc.IndexOf(doc.Current()));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool Write(const TSceneDocument& doc, const QString& fileName, QString& error)
{
    const QByteArray text = ToText(doc, QFileInfo(fileName).absolutePath());
    const QString reason = safefile::WriteWhole(fileName, text);
    if (!reason.isEmpty()) {
        error = QStringLiteral("Could not save the scene to %1: %2").arg(fileName, reason);
        return false;
    }
    return true;
}

bool Read(TSceneDocument& doc, const QString& fileName, QString& error, QStringList& skipped)
{
    std::uint64_t size = 0;
    std::string problem;
    const int fd = OpenRegularFile(QFile::encodeName(fileName).toStdString(),
                                   static_cast<std::uint64_t>(kMaxFileBytes), size, problem);
    if (fd < 0) {
        error = QFile::decodeName(QByteArray::fromStdString(problem));
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = QStringLiteral("Could not open %1: %2").arg(fileName, file.errorString());
        return false;
    }
    // What the file holds when opened, and not a byte of room more.
    QByteArray text(static_cast<qsizetype>(size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < text.size()) {
        const qint64 n = file.read(text.data() + got, text.size() - got);
        if (n < 0) {
            error = QStringLiteral("Could not read %1: %2").arg(fileName, file.errorString());
            return false;
        }
        if (n == 0)
            break; // shortened since it was opened
        got += static_cast<qsizetype>(n);
    }
    text.truncate(got);
    return ReadText(doc, text, fileName, QFileInfo(fileName).absolutePath(), error, skipped);
}

bool ReadText(TSceneDocument& doc, const QByteArray& text, const QString& fileName,
              const QString& sceneFolder, QString& error, QStringList& skipped)
{
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(text, &parse);
    if (json.isNull()) {
        error = QStringLiteral("%1 is not a scene file: %2 at byte %3")
                    .arg(fileName, parse.errorString())
                    .arg(parse.offset);
        return false;
    }
    if (!json.isObject() || json.object().value(QLatin1String("format")).toString() != kFormat) {
        error = QStringLiteral("%1 is not a scene file: it does not say \"format\": \"%2\"")
                    .arg(fileName, kFormat);
        return false;
    }
    const QJsonObject root = json.object();
    const QJsonValue version = root.value(QLatin1String("version"));
    const double v = version.toDouble(-1);
    if (!version.isDouble() || v != std::floor(v) || v < 1) {
        error = QStringLiteral("%1 has no valid scene file version").arg(fileName);
        return false;
    }
    if (v > kVersion) {
        error = QStringLiteral("%1 is a scene file of version %2, newer than this program reads (version %3)")
                    .arg(fileName)
                    .arg(v)
                    .arg(kVersion);
        return false;
    }
    const QJsonValue objects = root.value(QLatin1String("objects"));
    if (!objects.isUndefined() && !objects.isArray()) {
        error = QStringLiteral("%1 is damaged: 'objects' is not a list").arg(fileName);
        return false;
    }

    Loader loader(doc, sceneFolder, skipped);
    const QJsonValue view = root.value(QLatin1String("view"));
    if (view.isObject())
        loader.View(view.toObject());
    else if (!view.isUndefined())
        skipped << QStringLiteral("view: not an object; the view keeps its defaults");
    const QJsonArray list = objects.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i >= kMaxObjects) {
            skipped << QStringLiteral("objects after the %1th: left out").arg(kMaxObjects);
            break;
        }
        loader.Object(static_cast<int>(i + 1), list.at(i));
    }
    LimitDrawing(doc, skipped);
    const QJsonValue current = root.value(QLatin1String("current"));
    if (current.isDouble())
        doc.SetCurrent(doc.At(current.toInt(-1)));
    return true;
}

} // namespace scenefile
