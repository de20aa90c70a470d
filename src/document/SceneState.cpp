// SPDX-License-Identifier: GPL-3.0-or-later
#include "SceneState.h"

#include "TGLLight.h"
#include "TGLObject.h"

#include <cstring>

bool IsLightObject(const TGLObject* obj)
{
    return obj && std::strcmp(const_cast<TGLObject*>(obj)->GetTypeName(), "TGLLight") == 0;
}

bool TObjectState::operator==(const TObjectState& o) const
{
    return Position == o.Position && Rotation == o.Rotation && Scale == o.Scale && Color == o.Color &&
           Texture == o.Texture && Specular == o.Specular && Shininess == o.Shininess && Detail == o.Detail &&
           Ambient == o.Ambient && Diffuse == o.Diffuse && LightSpecular == o.LightSpecular && W == o.W;
}

TObjectState TObjectState::Capture(const TGLObject& obj)
{
    TObjectState s;
    obj.GetXY(s.Position[0], s.Position[1]);
    obj.GetZ(s.Position[2]);
    obj.GetRotation(s.Rotation[0], s.Rotation[1], s.Rotation[2]);
    obj.GetScale(s.Scale[0], s.Scale[1], s.Scale[2]);
    obj.GetColor(s.Color[0], s.Color[1], s.Color[2]);
    s.Texture = obj.GetTexture();
    for (int i = 0; i < 4; ++i)
        s.Specular[static_cast<std::size_t>(i)] = obj.GetSpecular()[i];
    s.Shininess = obj.GetShininess();
    s.Detail = obj.GetDetail();
    if (IsLightObject(&obj)) {
        const auto& light = static_cast<const TGLLight&>(obj);
        light.GetLightColor(0, s.Ambient[0], s.Ambient[1], s.Ambient[2]);
        light.GetLightColor(1, s.Diffuse[0], s.Diffuse[1], s.Diffuse[2]);
        light.GetLightColor(2, s.LightSpecular[0], s.LightSpecular[1], s.LightSpecular[2]);
        s.W = light.GetW();
    }
    return s;
}

void TObjectState::Apply(TGLObject& obj) const
{
    obj.SetXY(Position[0], Position[1]);
    obj.SetZ(Position[2]);
    obj.SetRotation(Rotation[0], Rotation[1], Rotation[2]);
    obj.SetScale(Scale[0], Scale[1], Scale[2]);
    obj.SetColorF(Color[0], Color[1], Color[2]);
    obj.SetTexture(Texture);
    obj.SetSpecular4(Specular.data());
    obj.SetShininess(Shininess);
    if (Detail >= 0 && obj.GetDetail() != Detail)
        obj.SetDetail(Detail);
    if (IsLightObject(&obj)) {
        auto& light = static_cast<TGLLight&>(obj);
        light.SetW(W);
        light.SetLightColor(0, Ambient[0], Ambient[1], Ambient[2]);
        light.SetLightColor(1, Diffuse[0], Diffuse[1], Diffuse[2]);
        light.SetLightColor(2, LightSpecular[0], LightSpecular[1], LightSpecular[2]);
        light.ApplyPosition();
    }
}

bool TViewState::operator==(const TViewState& o) const
{
    return CameraRotation == o.CameraRotation && CameraTranslation == o.CameraTranslation && Zoom == o.Zoom &&
           Perspective == o.Perspective && WireFrame == o.WireFrame && DrawAxis == o.DrawAxis &&
           Lighting == o.Lighting && RotateXY == o.RotateXY && BackColorSet == o.BackColorSet &&
           BackColor == o.BackColor && AnimateFlags == o.AnimateFlags && AnimateStep == o.AnimateStep &&
           AnimationInterval == o.AnimationInterval;
}
