<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1.0">
<title>[DEBUG RUN] Regression test failures</title>
</head>
<body style="margin:0; padding:0; background-color:#eef1f4; color:#1f2328; font-family:Arial, Helvetica, sans-serif;">
<table role="presentation" width="100%" cellpadding="0" cellspacing="0" border="0" bgcolor="#ffd33d" style="width:100%; background-color:#ffd33d; border-collapse:collapse;">
<tbody>
<tr>
<td align="center" style="padding:10px 12px 2px 12px; font-family:Arial, Helvetica, sans-serif; font-size:18px; font-weight:bold; letter-spacing:2px; color:#1f2328;">DEBUG RUN</td>
</tr>
<tr>
<td align="center" style="padding:0 12px 10px 12px; border-bottom:3px solid #1f2328; font-family:Arial, Helvetica, sans-serif; font-size:12px; color:#1f2328;">This summary comes from a run of a debug build; its results are not those of a release run.</td>
</tr>
</tbody>
</table>
