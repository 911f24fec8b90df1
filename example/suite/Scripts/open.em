<table role="presentation" width="100%" cellpadding="0" cellspacing="0" border="0" bgcolor="#eef1f4" style="width:100%; background-color:#eef1f4; border-collapse:collapse;">
<tbody>
<tr>
<td align="center" style="padding:16px 6px;">
<table role="presentation" width="100%" cellpadding="0" cellspacing="0" border="0" bgcolor="#ffffff" style="width:100%; max-width:640px; background-color:#ffffff; border:1px solid #d1d9e0; border-collapse:collapse;">
<tbody>
<tr>
<td style="padding:16px 12px 4px 12px; font-family:Arial, Helvetica, sans-serif; font-size:22px; font-weight:bold; color:#1f2328;">Regression test failures</td>
</tr>
<tr>
<td style="padding:0 12px 12px 12px; font-family:Arial, Helvetica, sans-serif; font-size:13px; color:#59636e;">These groups and tests of the run raised errors.</td>
</tr>
<tr>
<td style="padding:0 12px 14px 12px;">
<table role="presentation" width="100%" cellpadding="0" cellspacing="0" border="0" bgcolor="#f6f8fa" style="width:100%; background-color:#f6f8fa; border:1px solid #d1d9e0; border-collapse:collapse; font-family:Arial, Helvetica, sans-serif; font-size:13px;">
<tbody>
<tr><td width="80" style="padding:4px 10px; color:#59636e;">Platform</td><td style="padding:4px 10px; font-weight:bold; color:#1f2328; word-break:break-word;">OBJ_PLATFORM</td></tr>
<tr><td width="80" style="padding:4px 10px; color:#59636e;">Machine</td><td style="padding:4px 10px; font-weight:bold; color:#1f2328; word-break:break-word;">OBJ_MACHINE</td></tr>
<tr><td width="80" style="padding:4px 10px; color:#59636e;">Date</td><td style="padding:4px 10px; font-weight:bold; color:#1f2328;">OBJ_DATE</td></tr>
<tr><td width="80" style="padding:4px 10px; color:#59636e;">Time</td><td style="padding:4px 10px; font-weight:bold; color:#1f2328;">OBJ_TIME</td></tr>
<tr><td width="80" style="padding:4px 10px; color:#59636e;">Version</td><td style="padding:4px 10px; font-weight:bold; color:#1f2328; word-break:break-word;">OBJ_VERSION</td></tr>
</tbody>
</table>
</td>
</tr>
<tr>
<td style="padding:0 12px;">
<table role="presentation" width="100%" cellpadding="0" cellspacing="0" border="0" style="width:100%; border-collapse:separate; border-spacing:0 2px; font-family:Arial, Helvetica, sans-serif; line-height:1.3; overflow-wrap:anywhere; word-break:break-word;">
<tbody>
